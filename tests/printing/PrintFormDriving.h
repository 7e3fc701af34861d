#pragma once

// Driving the print window as a user does, without a display.

#include "printing/Print.h"

#include <QComboBox>
#include <QTimer>

namespace printformdriving {

// Opens the window as the print command does and closes it at once.
inline void openAndClose(TPrintForm& form)
{
    QTimer::singleShot(0, &form, [&form] { form.reject(); });
    form.execPreview();
}

// Chooses an entry of a box as a click on it would.
inline void choose(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace printformdriving
