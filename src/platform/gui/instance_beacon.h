#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace tivka {

// Lets a second start of the program in the same working folder reach the
// first one, so that it can bring its window to the front. The name is
// derived from the folder, so programs in other folders never meet.
class InstanceBeacon final : public QObject {
    Q_OBJECT
public:
    // Listens under `name` (a beacon left behind by a crashed run is removed
    // first: only the holder of the folder's lock creates one).
    explicit InstanceBeacon(const QString& name);

    // Asks the program listening under `name` to come forward; false when
    // none answered within a second.
    static bool CallRunning(const QString& name);

signals:
    void called();

private:
    std::unique_ptr<QLocalServer> server_;
};

// The beacon name of a working folder.
QString BeaconName(const std::string& folder);

}  // namespace tivka
