// The window's Save… and Load… buttons: the open board's settings to a file
// and a file's settings to the board, on the file format kestroctl's backup
// and restore use. Load shows what would change and asks once; outcomes go
// to the status line.
#pragma once

#include "config/settings_restore.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QMessageBox;
class QPushButton;
class QWidget;

namespace kestro {

class ConfigSession;

class SettingsFileActions : public QObject {
    Q_OBJECT
public:
    SettingsFileActions(QWidget& window, DeviceLink& link, ConfigSession& session,
                        std::function<std::string()> serial, QPushButton& save, QPushButton& load);

    // Enabled only while a board is open and its settings are loaded.
    void updateEnabled();
    void save();
    void load();

    // The question Load asks, not yet shown: the changes, Yes and No.
    static QMessageBox* confirmation(QWidget* parent, const QString& fileName,
                                     const QStringList& changes);

    // Where the dialogs are asked; tests answer them instead.
    std::function<QString(bool saving)> askFileName;
    std::function<bool(const QString& fileName, const QStringList& changes)> confirm;

private:
    bool boardReady() const;
    void report(const std::string& message);

    QWidget& window_;
    DeviceLink& link_;
    ConfigSession& session_;
    std::function<std::string()> serial_;
    QPushButton& save_;
    QPushButton& load_;
};

} // namespace kestro
