#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSettings;

// One key of the per-user settings store, in the manner of a registry key under
// HKEY_CURRENT_USER. Key paths are relative to the application key
// "SOFTWARE\Halvik\TAVO_Vezi\" and use "\" between sub-keys
// ("Setting\Physician\3"); value names may hold blanks ("Paper Style").
//
// The store is one QSettings file in INI format, per user:
// $XDG_CONFIG_HOME/Halvik/TAVO_Vezi.ini. QSettings keeps every entry under the
// section [SOFTWARE] with the rest of the path as its key, so a value reads
//   Halvik\TAVO_Vezi\Setting\Print\Paper%20Style=dword:00000001
// (QSettings writes a blank as %20). Each stored value carries its type:
//   dword:0000012c     32-bit integer, exactly 8 hex digits (two's complement)
//   sz:City Hospital   text, UTF-8
//   hex:ff,ff,ff,ff    binary, bytes as two hex digits separated by commas
// A value of one type never reads as another: reading "sz:100" as a DWORD, or
// anything without one of these prefixes, gives "missing".
//
// Names are case-sensitive. A key exists once a value was written below it (a save always writes values
// into every key it creates). Open() fails for a key that does not exist, as
// RegOpenKeyEx does; Create() opens a key for writing, whether or not it exists.
class RegistryKey {
public:
    // A key that exists, for reading; nullopt when it does not exist.
    static std::optional<RegistryKey> Open(const QString& keyPath);
    // A key for reading and writing; nullopt when the store cannot be written.
    static std::optional<RegistryKey> Create(const QString& keyPath);

    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) noexcept;
    ~RegistryKey(); // writes pending values to the file

    // Missing, of another type or malformed: nullopt.
    std::optional<qint32> ReadDword(const QString& valueName) const;
    std::optional<QByteArray> ReadText(const QString& valueName) const; // UTF-8 bytes
    std::optional<QByteArray> ReadBinary(const QString& valueName) const;

    // False (nothing written) for a value name holding "\" or "/".
    bool WriteDword(const QString& valueName, qint32 value);
    bool WriteText(const QString& valueName, const QString& text);
    bool WriteBinary(const QString& valueName, const QByteArray& bytes);

    bool HasValue(const QString& valueName) const;
    QStringList ValueNames() const;

    // Flushes pending values; false when the file could not be written.
    bool Flush();

    const QString& path() const { return m_path; }

private:
    RegistryKey(std::unique_ptr<QSettings> store, QString path);

    std::unique_ptr<QSettings> m_store;
    QString m_path;
};
