#include "host/qt/KeychainStore.h"

#include <qt6keychain/keychain.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>

namespace qv {

namespace {

const QString kService = QStringLiteral("Quorvel");
const QString kKey = QStringLiteral("Pswd");

// Runs a job to its end, as the settings are read and written: at once.
void Finish(QKeychain::Job& job) {
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

}  // namespace

bool KeychainStore::SecretServiceRuns() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"));
}

std::unique_ptr<KeychainStore> KeychainStore::IfAvailable() {
    if (!SecretServiceRuns()) return nullptr;
    return std::make_unique<KeychainStore>();
}

bool KeychainStore::Read(std::string& password) {
    QKeychain::ReadPasswordJob job(kService);
    job.setAutoDelete(false);
    job.setKey(kKey);
    Finish(job);
    if (job.error() != QKeychain::NoError) return false;
    password = job.textData().toStdString();
    return true;
}

bool KeychainStore::Write(const std::string& password) {
    if (password.empty()) {
        QKeychain::DeletePasswordJob job(kService);
        job.setAutoDelete(false);
        job.setKey(kKey);
        Finish(job);
        return job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound;
    }
    QKeychain::WritePasswordJob job(kService);
    job.setAutoDelete(false);
    job.setKey(kKey);
    job.setTextData(QString::fromStdString(password));
    Finish(job);
    return job.error() == QKeychain::NoError;
}

}  // namespace qv
