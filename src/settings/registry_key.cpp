#include "settings/registry_key.h"

#include "settings/system_settings.h"

#include <QSettings>

namespace {

const QString kDwordPrefix = QStringLiteral("dword:");
const QString kTextPrefix = QStringLiteral("sz:");
const QString kBinaryPrefix = QStringLiteral("hex:");

std::unique_ptr<QSettings> OpenStore()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Halvik"), QStringLiteral("TAVO_Vezi"));
}

// "SOFTWARE\Halvik\TAVO_Vezi\" + "Setting\Physician\3" as a QSettings group,
// "SOFTWARE/Halvik/TAVO_Vezi/Setting/Physician/3".
QString GroupOf(const QString& keyPath)
{
    QString full = g_RegistryRoot + keyPath;
    full.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return full.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

bool IsValueName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

// The stored text after `prefix`, when the value is a plain string with it.
std::optional<QString> Payload(const QVariant& stored, const QString& prefix)
{
    if (stored.typeId() != QMetaType::QString)
        return std::nullopt;
    QString text = stored.toString();
    if (!text.startsWith(prefix))
        return std::nullopt;
    return text.mid(prefix.size());
}

bool IsHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool AllHex(QStringView digits)
{
    for (QChar c : digits)
        if (!IsHexDigit(c))
            return false;
    return true;
}

} // namespace

RegistryKey::RegistryKey(std::unique_ptr<QSettings> store, QString path)
    : m_store(std::move(store)), m_path(std::move(path))
{
}

RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::optional<RegistryKey> RegistryKey::Open(const QString& keyPath)
{
    auto store = OpenStore();
    if (store->status() == QSettings::AccessError)
        return std::nullopt;
    store->beginGroup(GroupOf(keyPath));
    if (store->childKeys().isEmpty() && store->childGroups().isEmpty())
        return std::nullopt;
    return RegistryKey(std::move(store), keyPath);
}

std::optional<RegistryKey> RegistryKey::Create(const QString& keyPath)
{
    auto store = OpenStore();
    if (!store->isWritable() || store->status() == QSettings::AccessError)
        return std::nullopt;
    store->beginGroup(GroupOf(keyPath));
    return RegistryKey(std::move(store), keyPath);
}

std::optional<qint32> RegistryKey::ReadDword(const QString& valueName) const
{
    if (!IsValueName(valueName))
        return std::nullopt;
    const auto digits = Payload(m_store->value(valueName), kDwordPrefix);
    if (!digits || digits->size() != 8 || !AllHex(*digits))
        return std::nullopt;
    return static_cast<qint32>(digits->toUInt(nullptr, 16));
}

std::optional<QByteArray> RegistryKey::ReadText(const QString& valueName) const
{
    if (!IsValueName(valueName))
        return std::nullopt;
    const auto text = Payload(m_store->value(valueName), kTextPrefix);
    if (!text)
        return std::nullopt;
    return text->toUtf8();
}

std::optional<QByteArray> RegistryKey::ReadBinary(const QString& valueName) const
{
    if (!IsValueName(valueName))
        return std::nullopt;
    const auto text = Payload(m_store->value(valueName), kBinaryPrefix);
    if (!text)
        return std::nullopt;
    QByteArray bytes;
    if (text->isEmpty())
        return bytes;
    for (const QString& pair : text->split(QLatin1Char(','))) {
        if (pair.size() != 2 || !AllHex(pair))
            return std::nullopt;
        bytes.append(static_cast<char>(pair.toUInt(nullptr, 16)));
    }
    return bytes;
}

bool RegistryKey::WriteDword(const QString& valueName, qint32 value)
{
    if (!IsValueName(valueName))
        return false;
    m_store->setValue(valueName, kDwordPrefix + QStringLiteral("%1").arg(static_cast<quint32>(value), 8, 16,
                                                                         QLatin1Char('0')));
    return true;
}

bool RegistryKey::WriteText(const QString& valueName, const QString& text)
{
    if (!IsValueName(valueName))
        return false;
    m_store->setValue(valueName, kTextPrefix + text);
    return true;
}

bool RegistryKey::WriteBinary(const QString& valueName, const QByteArray& bytes)
{
    if (!IsValueName(valueName))
        return false;
    m_store->setValue(valueName, kBinaryPrefix + QString::fromLatin1(bytes.toHex(',')));
    return true;
}

bool RegistryKey::HasValue(const QString& valueName) const
{
    return IsValueName(valueName) && m_store->contains(valueName);
}

QStringList RegistryKey::ValueNames() const
{
    return m_store->childKeys();
}

bool RegistryKey::Flush()
{
    m_store->sync();
    return m_store->status() != QSettings::AccessError;
}
