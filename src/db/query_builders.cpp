#include "db/query_builders.h"

namespace db {

namespace {

std::optional<AgeRange> AgeRangeOf(bool on, const QString& from, const QString& to)
{
    if (!on)
        return std::nullopt;
    const auto lower = ParseAgeBound(from);
    const auto upper = ParseAgeBound(to);
    if (!lower || !upper)
        return std::nullopt;
    return AgeRange{*lower, *upper};
}

std::optional<DateRange> DateRangeOf(bool on, const QDate& from, const QDate& to)
{
    if (!on || !from.isValid() || !to.isValid())
        return std::nullopt;
    return DateRange{from, to};
}

std::optional<bool> FemaleOf(int genderIndex)
{
    if (genderIndex == 0)
        return false;
    if (genderIndex == 1)
        return true;
    return std::nullopt;
}

std::optional<QString> Trimmed(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

std::optional<QString> Filled(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<int> ParseAgeBound(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 9)
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return trimmed.toInt();
}

CaseQuery BuildReviewQuery(const ReviewSearchFields& fields)
{
    CaseQuery query;
    query.layout = QueryLayout::Review;
    CaseFilter& filter = query.filter;
    filter.nameContains = Trimmed(fields.name);
    filter.female = FemaleOf(fields.genderIndex);
    filter.caseNoMatches = Trimmed(fields.caseNo);
    filter.age = AgeRangeOf(fields.ageOn, fields.ageFrom, fields.ageTo);
    filter.sampleDate = DateRangeOf(fields.dateOn, fields.dateFrom, fields.dateTo);
    filter.remarkContains = Trimmed(fields.remark);
    switch (fields.sampleTypeIndex) {
    case 0:
        filter.style = StyleChoice::Ecg;
        break;
    case 1:
        filter.style = StyleChoice::Spo2;
        break;
    case 2:
    case 3:
        filter.style = StyleChoice::AnyListed;
        break;
    default:
        filter.style = StyleChoice::Any;
        break;
    }
    filter.deleted = DeletedChoice::NotDeleted;
    return query;
}

CaseQuery BuildManageQuery(const ManageSearchFields& fields)
{
    CaseQuery query;
    query.layout = QueryLayout::Manage;
    CaseFilter& filter = query.filter;
    filter.nameContains = Filled(fields.name);
    filter.female = FemaleOf(fields.genderIndex);
    filter.caseNoMatches = Filled(fields.caseNo);
    filter.physicianMatches = Filled(fields.doctor);
    filter.age = AgeRangeOf(fields.ageOn, fields.ageFrom, fields.ageTo);
    filter.sampleDate = DateRangeOf(fields.dateOn, fields.dateFrom, fields.dateTo);
    filter.remarkContains = Filled(fields.remark);
    filter.deleted = fields.caseStyle == 0   ? DeletedChoice::NotDeleted
                     : fields.caseStyle == 1 ? DeletedChoice::Deleted
                                             : DeletedChoice::Any;
    filter.style = fields.sampleType == 1   ? StyleChoice::Spo2
                   : fields.sampleType == 2 ? StyleChoice::EcgOrSpo2
                                            : StyleChoice::Ecg;
    return query;
}

} // namespace db
