#include "core/Profile.h"

#include "core/IniFormat.h"
#include "core/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

#include <cstring>

namespace {

// The General values are top-level keys, which the file format writes as [General].
QString KeyFor(const char* section, const char* entry)
{
    const QString name = QString::fromLatin1(entry);
    if (!section || !*section || std::strcmp(section, "General") == 0)
        return name;
    return QString::fromLatin1(section) + QLatin1Char('/') + name;
}

QSettings OpenStore()
{
    return QSettings(
        IniFormat::Format(), QSettings::UserScope, QStringLiteral("vexo"), QStringLiteral("Zuvio"));
}

// QSettings writes through "<file>.XXXXXX" (QSaveFile, six random ASCII letters)
// while it holds "<file>.lock"; a writer killed in between leaves its temporary
// file for good. Under the same lock no writer is in between, so any such file
// is stale. An all-lower-case ending ("Zuvio.conf.backup") is more likely an
// operator's own copy than chance, so it stays.
void RemoveStaleTempFiles(const QString& fileName)
{
    QLockFile lock(fileName + QStringLiteral(".lock"));
    if (!lock.tryLock(1000))
        return;
    const QFileInfo info(fileName);
    QDir folder = info.dir();
    const QStringList names
        = folder.entryList({ info.fileName() + QStringLiteral(".??????") }, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QStringView ending = QStringView(name).right(6);
        bool letters = true, upper = false;
        for (const QChar c : ending) {
            letters = letters && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'));
            upper = upper || (c >= u'A' && c <= u'Z');
        }
        if (letters && upper)
            folder.remove(name);
    }
}

void ReportStatus(const QSettings& store, const char* operation)
{
    if (store.status() == QSettings::AccessError)
        LogError("%s: settings file %s cannot be accessed.\n", operation,
            store.fileName().toLocal8Bit().constData());
    else if (store.status() == QSettings::FormatError)
        LogError("%s: settings file %s is damaged; defaults are used.\n", operation,
            store.fileName().toLocal8Bit().constData());
}

} // namespace

int GetProfileInt(const char* section, const char* entry, int defaultValue)
{
    QSettings store = OpenStore();
    ReportStatus(store, "GetProfileInt()");
    const QVariant value = store.value(KeyFor(section, entry));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int result = value.toString().trimmed().toInt(&ok);
    return ok ? result : defaultValue;
}

std::string GetProfileString(const char* section, const char* entry, const std::string& defaultValue)
{
    QSettings store = OpenStore();
    ReportStatus(store, "GetProfileString()");
    const QVariant value = store.value(KeyFor(section, entry));
    if (!value.isValid())
        return defaultValue;
    // Raw bytes: a path that is not UTF-8 must come back exactly as it was stored.
    const QByteArray bytes
        = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    return bytes.toStdString();
}

bool WriteProfileInt(const char* section, const char* entry, int value)
{
    QSettings store = OpenStore();
    RemoveStaleTempFiles(store.fileName());
    store.setValue(KeyFor(section, entry), value);
    store.sync();
    ReportStatus(store, "WriteProfileInt()");
    return store.status() == QSettings::NoError;
}

bool WriteProfileString(const char* section, const char* entry, const std::string& value)
{
    QSettings store = OpenStore();
    RemoveStaleTempFiles(store.fileName());
    store.setValue(KeyFor(section, entry), QByteArray::fromStdString(value));
    store.sync();
    ReportStatus(store, "WriteProfileString()");
    return store.status() == QSettings::NoError;
}

bool WriteProfileValues(const char* section, const std::vector<ProfileValue>& values)
{
    QSettings store = OpenStore();
    RemoveStaleTempFiles(store.fileName());
    for (const ProfileValue& value : values)
        store.setValue(KeyFor(section, value.entry), QByteArray::fromStdString(value.text));
    store.sync();
    ReportStatus(store, "WriteProfileValues()");
    return store.status() == QSettings::NoError;
}

std::string ProfilePath()
{
    return OpenStore().fileName().toStdString();
}
