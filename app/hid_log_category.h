// The debug category of the HID traffic log, off unless the logging rules
// switch it on ("kestro.hid.debug=true").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(kestroHid)

namespace kestro {

// Routes the HID log to the category while its debug output is enabled.
void routeHidLogToCategory();

} // namespace kestro
