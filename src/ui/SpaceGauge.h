#pragma once

#include <QWidget>

// A phone's used and free space as a bar: green (free) behind red (used), grey when disabled
// or empty.
class SpaceGauge : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kNarrowMargin = 2;
    static constexpr int kWideMargin = 20;

    explicit SpaceGauge(bool aWideMargin = false, QWidget* aParent = nullptr);

    qint64 usedSpace() const { return mUsedSpace; }
    qint64 freeSpace() const { return mFreeSpace; }
    bool isGaugeEnabled() const { return mEnabled; }
    int margin() const { return mMargin; }
    // Width of the red part for the inner width aInnerWidth (0 when nothing is drawn).
    int usedWidth(int aInnerWidth) const;

    void enable();
    void disable();

    QSize sizeHint() const override { return {200, 23}; }
    QSize minimumSizeHint() const override { return {100, 23}; }

public slots:
    void update(qint64 aUsedSpace, qint64 aFreeSpace);

protected:
    void paintEvent(QPaintEvent* aEvent) override;

private:
    qint64 mUsedSpace = 0;
    qint64 mFreeSpace = 0;
    bool mEnabled = true;
    int mMargin = kNarrowMargin;
};
