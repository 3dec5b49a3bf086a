#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <string>

// A fresh folder inside the test process's temporary root, with helpers to make
// media and playlist files in it.
class TempFolder
{
public:
    TempFolder()
        : m_dir(QDir::currentPath() + QStringLiteral("/pl-XXXXXX"))
    {
    }

    std::string Path() const { return m_dir.path().toStdString(); }
    std::string File(const std::string& name) const { return Path() + "/" + name; }

    // Creates the file (and its folders) with the given bytes; returns its path.
    std::string Make(const std::string& name, const std::string& bytes = {}) const
    {
        const std::string path = File(name);
        QDir().mkpath(QString::fromStdString(path.substr(0, path.rfind('/'))));
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    QTemporaryDir m_dir;
};

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
