#include "ui/SpaceGauge.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>

#include <algorithm>

SpaceGauge::SpaceGauge(bool aWideMargin, QWidget* aParent)
    : QWidget(aParent), mMargin(aWideMargin ? kWideMargin : kNarrowMargin)
{
    setObjectName(QStringLiteral("spaceGauge"));
}

namespace {

QString gigabytes(qint64 aBytes)
{
    // Decimal units, as phones and cards state their size.
    return QLocale().formattedDataSize(qMax<qint64>(0, aBytes), 1, QLocale::DataSizeSIFormat);
}

} // namespace

void SpaceGauge::update(qint64 aUsedSpace, qint64 aFreeSpace)
{
    mUsedSpace = aUsedSpace;
    mFreeSpace = aFreeSpace;
    updateToolTip();
    QWidget::update();
}

void SpaceGauge::enable()
{
    mEnabled = true;
    updateToolTip();
    QWidget::update();
}

void SpaceGauge::disable()
{
    mEnabled = false;
    updateToolTip();
    QWidget::update();
}

int SpaceGauge::legendHeight() const
{
    return fontMetrics().height() + 4;
}

QString SpaceGauge::usedText() const
{
    return hasNumbers() ? tr("Used %1").arg(gigabytes(mUsedSpace)) : QString();
}

QString SpaceGauge::freeText() const
{
    return hasNumbers() ? tr("Free %1").arg(gigabytes(mFreeSpace)) : QString();
}

void SpaceGauge::updateToolTip()
{
    setToolTip(hasNumbers() ? tr("%1 used and %2 free of %3 on your phone")
                                  .arg(gigabytes(mUsedSpace), gigabytes(mFreeSpace),
                                       gigabytes(mUsedSpace + mFreeSpace))
                            : QString());
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
    if (!hasNumbers())
        return;
    // The legend: a swatch of each colour with its amount.
    const int top = kBarHeight;
    const int swatch = fontMetrics().ascent() - 2;
    int x = mMargin;
    for (const auto& [colour, text] : {std::pair{red, usedText()}, std::pair{green, freeText()}}) {
        painter.setPen(Qt::black);
        painter.setBrush(colour);
        painter.drawRect(x, top + 2 + (fontMetrics().height() - swatch) / 2, swatch, swatch);
        x += swatch + 4;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(x, top + 2, width() - x, fontMetrics().height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        x += fontMetrics().horizontalAdvance(text) + 16;
    }
}
