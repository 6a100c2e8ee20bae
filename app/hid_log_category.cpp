#include "hid_log_category.h"

#include "hid_log.h"

#include <QString>

Q_LOGGING_CATEGORY(kestroHid, "kestro.hid", QtInfoMsg)

namespace kestro {

void routeHidLogToCategory() {
    // Without a sink the device layer does not even format its lines.
    if (!kestroHid().isDebugEnabled())
        return;
    setHidLogSink([](std::string_view line) {
        qCDebug(kestroHid).noquote()
            << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    });
}

} // namespace kestro
