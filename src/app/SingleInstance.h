#pragma once
// One window per user: a later start (a second .cfg double-clicked) hands its file to the
// running window over a local socket and ends, instead of opening a window of its own that
// would seek a port the first one holds.

#include <QObject>
#include <QString>
#include <string>

class QLocalServer;

namespace zelt {

class CSingleInstance : public QObject {
    Q_OBJECT

  public:
    // The socket of the user's running window; a settings file of its own (ZELT_SETTINGS)
    // makes an instance of its own.
    static QString ServerName(const std::string& settingsPath);

    explicit CSingleInstance(QString serverName, QObject* parent = nullptr);

    // True when a running window took the request; cfgPath is absolute, or empty to only
    // bring that window to the front.
    bool HandToRunning(const QString& cfgPath) const;
    // Becomes the running window: later starts' requests arrive as FileRequested. False when
    // the socket cannot be made (the program then runs alone, as before).
    bool Listen();

  signals:
    // A later start asked for this file (empty: only to be brought to the front).
    void FileRequested(const QString& cfgPath);

  private:
    void Accept();

    QString serverName_;
    QLocalServer* server_ = nullptr;
};

}  // namespace zelt
