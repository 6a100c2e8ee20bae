// The settings file: a small, versioned JSON object of a board's identity
// and the settings it holds, written by kestroctl backup and the window's
// Save, and read, strictly, by kestroctl restore and the window's Load.
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
// report, or whose byte names no value, is left out, and a restore leaves it
// alone; "board" is informational (null where unknown), so a backup can be
// restored to any board.
#pragma once

#include "config/settings_table.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

inline constexpr const char* kBackupFormat = "kestroctl-backup";
inline constexpr int kBackupVersion = 1;
// A backup is well under a kilobyte; anything far larger is not one.
inline constexpr std::size_t kMaxBackupBytes = 64 * 1024;
// Far deeper than a backup nests; a bound on what a hostile file costs.
inline constexpr int kMaxBackupDepth = 16;

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

// The identity of an open board, from its 8-bit strings.
BackupIdentity backupIdentity(const std::string& serial, const BoardIdentity& identity,
                              std::uint16_t productId);
// What the board holds and its version admits, in the order of allSettings().
std::vector<Assignment> heldSettings(const BoardIdentity& identity, const BoardSettings& settings);

std::string formatBackup(const Backup& backup);

struct BackupParse {
    std::optional<Backup> backup;
    std::string error; // why the text is not a backup
};

BackupParse parseBackup(std::string_view text);

// Up to one byte past the limit, so that parseBackup refuses a file too large
// without it being read whole; nothing when the stream fails.
std::optional<std::string> readBackupText(std::istream& in);

// Written beside the target and renamed over it, so that a failure never
// leaves half a backup where a whole one was. Nothing, or why it failed, in
// the system's words ("Not a directory").
std::optional<std::string> writeBackupFile(const std::filesystem::path& path,
                                           const std::string& text);

// Why the file operation that just failed did, as the system says it.
std::string systemReason();

} // namespace kestro
