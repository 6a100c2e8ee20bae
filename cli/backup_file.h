// The backup file: a small, versioned JSON object of a board's identity and
// the settings it holds, written by backup and read, strictly, by restore.
//
//   {
//     "format": "kestroctl-backup",
//     "version": 1,
//     "board": {"serial": "K0001", "manufacturer": "Kestro", "product": "Kestro 128",
//               "productId": "0x1140", "version": "1.3"},
//     "settings": {"encoder1": "1:1", ..., "encoder16": "off", "pulse-width": "48ms",
//                  "rotary-pulses": "off", "rotary-start": "auto"}
//   }
//
// Settings take the values of kestroctl set. A setting the board did not
// report, or whose byte names no value, is left out, and restore leaves it
// alone; "board" is informational (null where unknown), so a backup can be
// restored to any board.
#pragma once

#include "config/settings_table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::cli {

inline constexpr const char* kBackupFormat = "kestroctl-backup";
inline constexpr int kBackupVersion = 1;
// A backup is well under a kilobyte; anything far larger is not one.
inline constexpr std::size_t kMaxBackupBytes = 64 * 1024;

struct BackupIdentity {
    std::optional<std::string> serial; // UTF-8, as everything in the file
    std::optional<std::string> manufacturer;
    std::optional<std::string> product;
    std::optional<std::string> productId;
    std::optional<std::string> version;
};

struct Backup {
    BackupIdentity board;
    std::vector<Assignment> settings; // in the order of allSettings()
};

std::string formatBackup(const Backup& backup);

struct BackupParse {
    std::optional<Backup> backup;
    std::string error; // why the text is not a backup
};

BackupParse parseBackup(std::string_view text);

} // namespace kestro::cli
