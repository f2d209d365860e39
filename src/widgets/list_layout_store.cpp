#include "widgets/list_layout_store.h"

#include "base/little_endian.h"
#include "settings/registry_key.h"

#include <QByteArray>
#include <cstdint>

namespace widgets {

namespace {

constexpr qsizetype kSlotBytes = 4;
constexpr qsizetype kSlotsBytes = kListColumns * kSlotBytes;
constexpr int kUnused = -1;

QString WidthName(int column)
{
    return QString::asprintf("SubItem%2d", column);
}

std::optional<std::vector<int>> Slots(const std::optional<QByteArray>& bytes)
{
    if (!bytes || bytes->size() != kSlotsBytes)
        return std::nullopt;
    std::vector<int> values(kListColumns);
    for (int i = 0; i < kListColumns; ++i)
        values[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
            base::le::GetU32(reinterpret_cast<const std::uint8_t*>(bytes->constData()) + i * kSlotBytes));
    return values;
}

QByteArray SlotBytes(const std::vector<int>& used)
{
    QByteArray bytes(kSlotsBytes, '\0');
    for (int i = 0; i < kListColumns; ++i) {
        const int value = i < static_cast<int>(used.size()) ? used[static_cast<std::size_t>(i)] : kUnused;
        base::le::PutU32(reinterpret_cast<std::uint8_t*>(bytes.data()) + i * kSlotBytes,
                         static_cast<std::uint32_t>(value));
    }
    return bytes;
}

// The first `count` slots, when they hold distinct values below `limit` and
// every later slot is unused.
std::optional<std::vector<int>> Used(const std::vector<int>& values, int count, int limit)
{
    std::vector<bool> seen(static_cast<std::size_t>(limit), false);
    for (int i = 0; i < kListColumns; ++i) {
        const int value = values[static_cast<std::size_t>(i)];
        if (i >= count) {
            if (value != kUnused)
                return std::nullopt;
        } else if (value < 0 || value >= limit || seen[static_cast<std::size_t>(value)]) {
            return std::nullopt;
        } else {
            seen[static_cast<std::size_t>(value)] = true;
        }
    }
    return std::vector<int>(values.begin(), values.begin() + count);
}

} // namespace

std::optional<ListLayout> ReadListLayout(const QString& keyPath)
{
    const auto key = RegistryKey::Open(keyPath);
    if (!key)
        return std::nullopt;
    const std::optional<qint32> count = key->ReadDword(QStringLiteral("ColumnCount"));
    const auto columns = Slots(key->ReadBinary(QStringLiteral("Columns")));
    if (!count || *count < 1 || *count > kListColumns || !columns)
        return std::nullopt;
    ListLayout layout;
    const auto used = Used(*columns, *count, kListColumns);
    if (!used)
        return std::nullopt;
    layout.columns = *used;
    if (key->HasValue(QStringLiteral("ColumnOrderArray"))) {
        const auto order = Slots(key->ReadBinary(QStringLiteral("ColumnOrderArray")));
        const auto positions = order ? Used(*order, *count, *count) : std::nullopt;
        if (!positions)
            return std::nullopt;
        layout.order = *positions;
    }
    return layout;
}

bool WriteListLayout(const QString& keyPath, const ListLayout& layout, const std::vector<int>& widths)
{
    auto key = RegistryKey::Create(keyPath);
    if (!key)
        return false;
    for (std::size_t position = 0; position < layout.columns.size() && position < widths.size(); ++position)
        key->WriteDword(WidthName(layout.columns[position]), widths[position]);
    key->WriteDword(QStringLiteral("ColumnCount"), static_cast<qint32>(layout.columns.size()));
    key->WriteBinary(QStringLiteral("Columns"), SlotBytes(layout.columns));
    key->WriteBinary(QStringLiteral("ColumnOrderArray"), SlotBytes(layout.order));
    return key->Flush();
}

std::optional<int> ReadColumnWidth(const QString& keyPath, int column)
{
    const auto key = RegistryKey::Open(keyPath);
    if (!key)
        return std::nullopt;
    return key->ReadDword(WidthName(column));
}

bool WriteColumnWidth(const QString& keyPath, int column, int width)
{
    auto key = RegistryKey::Create(keyPath);
    return key && key->WriteDword(WidthName(column), width) && key->Flush();
}

} // namespace widgets
