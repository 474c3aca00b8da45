#include "ui/SpaceGauge.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

SpaceGauge::SpaceGauge(bool aWideMargin, QWidget* aParent)
    : QWidget(aParent), mMargin(aWideMargin ? kWideMargin : kNarrowMargin)
{
    setObjectName(QStringLiteral("spaceGauge"));
}

void SpaceGauge::update(qint64 aUsedSpace, qint64 aFreeSpace)
{
    mUsedSpace = aUsedSpace;
    mFreeSpace = aFreeSpace;
    QWidget::update();
}

void SpaceGauge::enable()
{
    mEnabled = true;
    QWidget::update();
}

void SpaceGauge::disable()
{
    mEnabled = false;
    QWidget::update();
}

int SpaceGauge::usedWidth(int aInnerWidth) const
{
    const qint64 total = mUsedSpace + mFreeSpace;
    if (total <= 0 || !mEnabled)
        return 0;
    const qint64 percent = std::min<qint64>(mUsedSpace * 100 / total, 100);
    return int(percent * aInnerWidth / 100);
}

void SpaceGauge::paintEvent(QPaintEvent*)
{
    const QColor green(0, 255, 0);
    const QColor red(255, 0, 0);
    const QColor grey(128, 128, 128);

    QLinearGradient background(0, 0, 0, 30);
    background.setColorAt(0, Qt::white);
    const bool coloured = mEnabled && (mUsedSpace != 0 || mFreeSpace != 0);
    background.setColorAt(1, coloured ? green : grey);
    QLinearGradient used(0, 0, 0, 30);
    used.setColorAt(0, Qt::white);
    used.setColorAt(1, red);

    QPainter painter(this);
    painter.setPen(Qt::black);
    const int innerWidth = width() - 2 * mMargin;
    painter.setBrush(background);
    painter.drawRoundedRect(QRect(mMargin, 0, innerWidth, 20), 3, 3, Qt::AbsoluteSize);
    const int barWidth = usedWidth(innerWidth);
    if (mUsedSpace + mFreeSpace > 0 && mEnabled) {
        painter.setBrush(used);
        painter.drawRoundedRect(QRect(mMargin, 0, barWidth, 20), 3, 3, Qt::AbsoluteSize);
    }
}
