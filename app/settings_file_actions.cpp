#include "app/settings_file_actions.h"

#include "config/backup_file.h"
#include "config/board_settings.h"
#include "config/config_session.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>
#include <fstream>

namespace kestro {

namespace {

const QString kFilter = QStringLiteral("Kestro settings (*.json);;All files (*)");

// The status line holds Latin-1; a path it cannot hold loses only letters.
std::string shortName(const QString& path) {
    return QFileInfo(path).fileName().toLatin1().toStdString();
}

// What the system calls the file, whatever its narrow encoding.
std::filesystem::path filePath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

struct Snapshot {
    BoardIdentity identity;
    BoardSettings settings;
};

Snapshot readBoard(DeviceLink& link) {
    return {readBoardIdentity(link.platform(), link.readHandle, link.deviceAttributes.VersionNumber,
                              &link.lastResult),
            readBoardSettings(link.platform(), link.featureHandle,
                              link.deviceCapabilities.FeatureReportByteLength, &link.lastResult)};
}

// Without both blocks a file's setting could not be told from the board's.
bool complete(const BoardSettings& settings) {
    return settings.encodersRead && settings.generalRead;
}

} // namespace

SettingsFileActions::SettingsFileActions(QWidget& window, DeviceLink& link, ConfigSession& session,
                                         std::function<std::string()> serial, QPushButton& save,
                                         QPushButton& load)
    : QObject(&window), window_(window), link_(link), session_(session), serial_(std::move(serial)),
      save_(save), load_(load) {
    askFileName = [this](bool saving) {
        return saving ? QFileDialog::getSaveFileName(&window_, QStringLiteral("Save settings"),
                                                     QString(), kFilter)
                      : QFileDialog::getOpenFileName(&window_, QStringLiteral("Load settings"),
                                                     QString(), kFilter);
    };
    confirm = [this](const QString& fileName, const QStringList& changes) {
        QMessageBox* box = confirmation(&window_, fileName, changes);
        const bool yes = box->exec() == QMessageBox::Yes;
        delete box;
        return yes;
    };
    connect(&save_, &QPushButton::clicked, this, &SettingsFileActions::save);
    connect(&load_, &QPushButton::clicked, this, &SettingsFileActions::load);
    updateEnabled();
}

bool SettingsFileActions::boardReady() const {
    return link_.deviceDetected && session_.settingsLoaded;
}

void SettingsFileActions::updateEnabled() {
    save_.setEnabled(boardReady());
    load_.setEnabled(boardReady());
}

void SettingsFileActions::report(const std::string& message) {
    session_.status.setActionMessage(message);
}

QMessageBox* SettingsFileActions::confirmation(QWidget* parent, const QString& fileName,
                                               const QStringList& changes) {
    const auto n = changes.size();
    const QString question =
        QStringLiteral("Write %1 %2 of %3 to the board?")
            .arg(n)
            .arg(n == 1 ? QStringLiteral("setting") : QStringLiteral("settings"))
            .arg(fileName);
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Load settings"), question,
                                QMessageBox::Yes | QMessageBox::No, parent);
    box->setInformativeText(changes.join(QLatin1Char('\n')));
    box->setDefaultButton(QMessageBox::No);
    // Wide enough that a change is not broken between its old and new value.
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 26em; }"));
    return box;
}

void SettingsFileActions::save() {
    if (!boardReady())
        return;
    const QString path = askFileName(true);
    if (path.isEmpty())
        return;
    const Snapshot board = readBoard(link_);
    if (!complete(board.settings)) {
        report("The board did not report all its settings; nothing was saved");
        return;
    }
    const Backup backup{backupIdentity(serial_(), board.identity, link_.deviceAttributes.ProductID),
                        heldSettings(board.identity, board.settings)};
    if (const auto failed = writeBackupFile(filePath(path), formatBackup(backup))) {
        report("Cannot write " + shortName(path) + ": " + *failed);
        return;
    }
    report("Settings saved to " + shortName(path));
}

void SettingsFileActions::load() {
    if (!boardReady())
        return;
    const QString path = askFileName(false);
    if (path.isEmpty())
        return;
    const std::string name = shortName(path);
    std::ifstream file(filePath(path), std::ios::binary);
    const std::optional<std::string> text =
        file ? readBackupText(file) : std::optional<std::string>();
    if (!text) {
        report("Cannot read " + name + "; nothing was written");
        return;
    }
    const BackupParse parsed = parseBackup(*text);
    if (!parsed.backup) {
        report(name + " was not loaded: " + parsed.error + "; nothing was written");
        return;
    }

    const Snapshot board = readBoard(link_);
    if (!complete(board.settings)) {
        report("The board did not report its settings; nothing was written");
        return;
    }
    const std::vector<Assignment>& wanted = parsed.backup->settings;
    const RestorePlan plan = planRestore(wanted, board.identity, board.settings);
    if (!plan.writable() || plan.changes.empty()) {
        report(loadOutcomeText(name, board.identity, plan, nullptr));
        return;
    }
    QStringList changes;
    for (const SettingChange& change : plan.changes)
        changes << QString::fromStdString(changeText(change));
    if (!confirm(QFileInfo(path).fileName(), changes)) {
        report(loadOutcomeText(name, board.identity, plan, nullptr));
        return;
    }

    const WriteOutcome outcome = writeAndReadBack(link_, writesOf(plan), wanted);
    // The controls show what the board holds now, whatever it took.
    session_.RefreshDeviceView();
    report(loadOutcomeText(name, board.identity, plan, &outcome));
}

} // namespace kestro
