#include "core/IniFormat.h"

#include <QIODevice>

#include <map>

namespace IniFormat {

namespace {

const QByteArray kGeneral = QByteArrayLiteral("General");

QByteArray Escape(const QByteArray& value)
{
    QByteArray out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

QByteArray Unescape(const QByteArray& value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const char next = value[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

QByteArray ValueBytes(const QVariant& value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return value.toString().toUtf8();
}

} // namespace

bool Read(QIODevice& device, QSettings::SettingsMap& map)
{
    QByteArray group;
    while (!device.atEnd()) {
        QByteArray line = device.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
            continue;
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            group = trimmed.mid(1, trimmed.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        if (key.isEmpty() || key.contains('/'))
            continue;
        const QString name = group.isEmpty() || group == kGeneral
            ? QString::fromUtf8(key)
            : QString::fromUtf8(group) + QLatin1Char('/') + QString::fromUtf8(key);
        map.insert(name, Unescape(line.mid(equals + 1)));
    }
    return true;
}

bool Write(QIODevice& device, const QSettings::SettingsMap& map)
{
    // General first, then the other sections in name order.
    std::map<QByteArray, std::map<QByteArray, QByteArray>> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QByteArray name = it.key().toUtf8();
        const qsizetype slash = name.lastIndexOf('/');
        const QByteArray group = slash < 0 ? kGeneral : name.left(slash);
        const QByteArray key = slash < 0 ? name : name.mid(slash + 1);
        sections[group][key] = Escape(ValueBytes(it.value()));
    }
    QByteArray text;
    auto writeSection = [&text](const QByteArray& group, const std::map<QByteArray, QByteArray>& entries) {
        if (!text.isEmpty())
            text += '\n';
        text += '[' + group + "]\n";
        for (const auto& [key, value] : entries)
            text += key + '=' + value + '\n';
    };
    if (const auto general = sections.find(kGeneral); general != sections.end())
        writeSection(general->first, general->second);
    for (const auto& [group, entries] : sections)
        if (group != kGeneral)
            writeSection(group, entries);
    return device.write(text) == text.size();
}

QSettings::Format Format()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("conf"), &Read, &Write);
    return format;
}

} // namespace IniFormat
