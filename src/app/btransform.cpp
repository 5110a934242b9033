#include "app/btransform.h"

#include <QWidget>

namespace bTransForm {

int alphaFor(uint8_t percentage)
{
    return int(double(percentage) / 100.0 * 255.0);
}

bool TransForm(QWidget *window, uint8_t &percentage)
{
    if (percentage > 100)
        percentage = 100;
    if (!window)
        return false;
    window->setWindowOpacity(double(alphaFor(percentage)) / 255.0);
    return true;
}

} // namespace bTransForm
