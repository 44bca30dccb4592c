#include "platform/ui/ReadableColours.h"

#include <QPalette>
#include <QWidget>

#include <cmath>

namespace {

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

QColor readableOn(const QColor& designed, const QColor& background)
{
    constexpr double Enough = 4.5;
    if (contrastRatio(designed, background) >= Enough)
        return designed;
    // Away from the background's side: lighter on a dark one, darker on a light one.
    const bool lighter = contrastRatio(Qt::white, background) >= contrastRatio(Qt::black, background);
    float h = 0, s = 0, l = 0;
    designed.getHslF(&h, &s, &l);
    for (int step = 1; step <= 100; ++step) {
        const float shade = lighter ? l + (1.0f - l) * float(step) / 100 : l * (1.0f - float(step) / 100);
        const QColor c(QColor::fromHslF(h, s, shade).rgb()); // as it will be drawn: eight bits a channel
        if (contrastRatio(c, background) >= Enough)
            return c;
    }
    return lighter ? QColor(Qt::white) : QColor(Qt::black);
}

void keepTextReadable(QWidget* widget, int backgroundRole)
{
    widget->ensurePolished();
    const QPalette& pal = widget->palette();
    const QColor designed = pal.color(widget->foregroundRole());
    const QColor fit = readableOn(designed, pal.color(QPalette::ColorRole(backgroundRole)));
    if (fit == designed)
        return;
    // A sheet of bare declarations takes one more; otherwise a rule named by class and object
    // outweighs the designed one whatever its selector.
    const QString sheet = widget->styleSheet();
    if (!sheet.contains(u'{'))
        widget->setStyleSheet(sheet + QStringLiteral("\ncolor: %1;").arg(fit.name()));
    else
        widget->setStyleSheet(sheet + QStringLiteral("\n%1#%2 { color: %3; }")
                                          .arg(QLatin1String(widget->metaObject()->className()),
                                               widget->objectName(), fit.name()));
}
