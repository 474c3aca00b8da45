#pragma once

#include <QWidget>

// A phone's used and free space as a bar: green (free) behind red (used), grey when disabled
// or empty; below it a legend with both amounts, and the same in its tooltip.
class SpaceGauge : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kNarrowMargin = 2;
    static constexpr int kWideMargin = 20;
    static constexpr int kBarHeight = 23;

    explicit SpaceGauge(bool aWideMargin = false, QWidget* aParent = nullptr);

    qint64 usedSpace() const { return mUsedSpace; }
    qint64 freeSpace() const { return mFreeSpace; }
    bool isGaugeEnabled() const { return mEnabled; }
    int margin() const { return mMargin; }
    // Width of the red part for the inner width aInnerWidth (0 when nothing is drawn).
    int usedWidth(int aInnerWidth) const;

    void enable();
    void disable();

    QSize sizeHint() const override { return {200, kBarHeight + legendHeight()}; }
    QSize minimumSizeHint() const override { return {100, kBarHeight + legendHeight()}; }
    // "Used 3.2 GB" and "Free 12.1 GB" as the legend shows them; empty without numbers.
    QString usedText() const;
    QString freeText() const;

public slots:
    void update(qint64 aUsedSpace, qint64 aFreeSpace);

protected:
    void paintEvent(QPaintEvent* aEvent) override;

private:
    bool hasNumbers() const { return mEnabled && (mUsedSpace > 0 || mFreeSpace > 0); }
    int legendHeight() const;
    void updateToolTip();

    qint64 mUsedSpace = 0;
    qint64 mFreeSpace = 0;
    bool mEnabled = true;
    int mMargin = kNarrowMargin;
};
