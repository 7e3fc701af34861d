#include "platform/DesignScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace platform {

namespace {
int g_testPixelsPerInch = 0;
}

int screenPixelsPerInch()
{
    if (g_testPixelsPerInch > 0)
        return g_testPixelsPerInch;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return qRound(screen->logicalDotsPerInch());
    return 96;
}

void setScreenPixelsPerInchForTesting(int pixelsPerInch)
{
    g_testPixelsPerInch = pixelsPerInch;
}

int scaled(int designValue, int pixelsPerInch)
{
    const long long product = static_cast<long long>(designValue) * pixelsPerInch;
    const double exact = static_cast<double>(product) / kDesignPixelsPerInch;
    return static_cast<int>(std::lround(exact));
}

int scaled(int designValue)
{
    return scaled(designValue, screenPixelsPerInch());
}

void placeByDesign(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(scaled(left), scaled(top), scaled(width), scaled(height));
}

} // namespace platform
