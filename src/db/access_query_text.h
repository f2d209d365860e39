#pragma once

#include "db/case_query.h"

#include <QString>

namespace db {

// Access SQL texts of the case queries, with the user's values inlined and
// escaped, laid out exactly as the two case list windows have always sent them.
class AccessQueryText {
public:
    static QString Select(const CaseQuery& query);
    static QString Count(const CaseQuery& query);
    static QString Page(const CasePageQuery& page);

private:
    // The select text and where its ORDER BY clause starts (-1: none).
    struct Text {
        QString sql;
        qsizetype orderAt = -1;
    };

    static Text Review(const CaseFilter& filter);
    static Text Manage(const CaseFilter& filter);
    static Text Plain(const CaseQuery& query);
};

} // namespace db
