#include "case_db.h"
#include "db/case_data_source.h"
#include "lang/language.h"
#include "modal_script.h"
#include "shipped_english.h"
#include "review/case_fields.h"
#include "review/review_case_list.h"
#include "widgets/column_list_ctrl.h"
#include "widgets/image_button.h"
#include "widgets/list_layout_store.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using testsupport::ModalScript;

namespace {

QString Id(int n)
{
    return QString::asprintf("%07d", n);
}

QStringList Ids(int first, int last)
{
    QStringList ids;
    for (int n = first; n <= last; ++n)
        ids << Id(n);
    return ids;
}

// A case database of either kind, and the rows and folders of the cases the
// tests add: case n is "Name<n>", female when n is odd, aged 20 + n, case no.
// "H<n>", remark "remark <n>", sample type n % 3, sampled on day n of January
// 2024 (cycling).
class ReviewList : public testsupport::CaseDbTest {
protected:
    void Add(int first, int last)
    {
        std::vector<db::CaseRow> rows;
        for (int n = first; n <= last; ++n) {
            rows.push_back({Id(n), QStringLiteral("H%1").arg(n), {}, n % 3, QStringLiteral("Name%1").arg(n), n % 2 == 1,
                            QString::number(20 + n), {}, {}, {}, {}, {}, testsupport::At(2024, 1, 1 + (n - 1) % 31, 8),
                            false, QStringLiteral("remark %1").arg(n), {}, {}, {}, {}});
            std::filesystem::create_directories(start / "Archive" / Id(n).toStdString());
        }
        db.AddRows(rows);
    }
    // The program's connections fail, or reach the database again.
    void Reach(bool reachable)
    {
        const QString file = db::CaseDatabasePath(QString::fromStdString(start.path().string()));
        if (GetParam() == testsupport::Backend::Postgres)
            testsupport::WriteCaseDsnValue("Port", reachable ? qEnvironmentVariable("TAVO_TEST_PG_PORT") : "1");
        else if (reachable)
            EXPECT_TRUE(QDir().rmdir(file) && QFile::rename(file + ".away", file));
        else
            EXPECT_TRUE(QFile::rename(file, file + ".away") && QDir().mkpath(file));
    }
    const QString root = QString::fromStdString((start / "Archive").string());
};

// The list of a review window, with what it told the window.
struct Review {
    QString current;
    CReviewCaseList list;
    const review::ReviewListControls& ui = list.Controls();
    std::vector<review::OpenCaseRequest> opened;
    QString status;

    explicit Review(const QString& root) : list(nullptr, current, root)
    {
        QObject::connect(&list, &CReviewCaseList::caseOpenRequested,
                         [this](const review::OpenCaseRequest& request) { opened.push_back(request); });
        QObject::connect(&list, &CReviewCaseList::statusLineChanged, [this](const QString& text) { status = text; });
        list.show();
    }
    // Selects the row of a case, as a click does (the rows are never sorted here).
    QModelIndex Select(int n)
    {
        const QModelIndex index = ui.list->model()->index(int(list.CaseIds().indexOf(Id(n))), 0);
        ui.list->selectionModel()->setCurrentIndex(index,
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return index;
    }
    void Open(int n) { emit ui.list->doubleClicked(Select(n)); }
};

TEST_P(ReviewList, ListsTheLastPageOpensTheNewestAndTurnsPages)
{
    const struct {
        int cases, pages, lastPageFirst;
    } table[] = {{0, 0, 1}, {1, 1, 1}, {100, 1, 1}, {101, 2, 101}, {250, 3, 201}};
    int added = 0;
    for (const auto& [cases, pages, lastFirst] : table) {
        SCOPED_TRACE(testing::Message() << cases << " cases");
        Add(added + 1, cases);
        added = cases;
        std::optional<Review> review(std::in_place, root);
        review->list.ActivateReview();
        EXPECT_EQ(review->ui.pageLabel->text(), QStringLiteral("of %1").arg(pages));
        EXPECT_EQ(review->list.CaseIds(), Ids(lastFirst, cases));
        ASSERT_EQ(review->opened.size(), 1u);
        EXPECT_EQ(review->opened[0].record.CaseID, cases ? Id(cases) : QString());
        EXPECT_EQ(review->opened[0].folder, cases ? root + "/" + Id(cases) : QString());
        EXPECT_EQ(std::pair(review->ui.previousPage->isEnabled(), review->ui.nextPage->isEnabled()),
                  std::pair(pages > 1, false));
        EXPECT_EQ(std::pair(review->list.CanPrev(), review->list.CanNext()), std::pair(cases > 1, false));

        // First, previous (stays), last, next (stays).
        const QStringList firstPage = Ids(1, std::min(cases, 100));
        const QStringList lastPage = review->list.CaseIds();
        for (auto [button, ids] : {std::pair{review->ui.firstPage, firstPage}, {review->ui.previousPage, firstPage},
                                   {review->ui.lastPage, lastPage}, {review->ui.nextPage, lastPage}}) {
            button->click();
            EXPECT_EQ(review->list.CaseIds(), ids) << button->objectName().toStdString();
        }
        review.reset();
        const auto layout = widgets::ReadListLayout(QStringLiteral("Favorite\\ReviewListColumn"));
        EXPECT_EQ(layout.value_or(widgets::ListLayout{}).columns, (std::vector<int>{2, 10, 11}));
    }
}

TEST_P(ReviewList, SearchesByEachField)
{
    Add(1, 12);
    Review review(root);
    review.list.ActivateReview();
    using Ui = review::ReviewListControls;
    const struct {
        const char* name;
        std::function<void(const Ui&)> fill;
        QStringList ids;
    } cases[] = {
        {"name", [](const Ui& u) { u.searchName->setText(" Name1 "); }, {Id(1), Id(10), Id(11), Id(12)}},
        {"sex", [](const Ui& u) { u.searchGender->setCurrentIndex(1); }, {Id(1), Id(3), Id(5), Id(7), Id(9), Id(11)}},
        {"case no", [](const Ui& u) { u.searchCaseNo->setText("H7"); }, {Id(7)}},
        {"age", [](const Ui& u) { u.ageCheck->setChecked(true); u.ageFrom->setValue(25); }, Ids(5, 12)},
        {"date", [](const Ui& u) { u.dateCheck->setChecked(true); u.dateFrom->setDate({2024, 1, 3});
                                    u.dateTo->setDate({2024, 1, 4}); }, {Id(3), Id(4)}},
        {"remark", [](const Ui& u) { u.searchRemark->setText("rk 1"); }, {Id(1), Id(10), Id(11), Id(12)}},
        {"ECG", [](const Ui& u) { u.searchType->setCurrentIndex(0); }, {Id(3), Id(6), Id(9), Id(12)}},
        {"all types", [](const Ui& u) { u.searchType->setCurrentIndex(2); }, Ids(1, 12)},
    };
    for (const auto& c : cases) {
        review.list.ClearSearchFields();
        c.fill(review.ui);
        review.ui.search->click();
        EXPECT_EQ(review.list.CaseIds(), c.ids) << c.name;
    }
    review.ui.clear->click();
    EXPECT_EQ(review.list.CaseIds(), Ids(1, 12));
    EXPECT_EQ(review.ui.searchName->text(), QString());
}

TEST_P(ReviewList, PreAndNextStepAcrossPages)
{
    Add(1, 250);
    Review review(root);
    review.list.ActivateReview();
    auto pre = [&] { return review.list.PreCase(); };
    auto next = [&] { return review.list.NextCase(); };
    auto open = [&](int n) { return [&review, n] { review.Open(n); return true; }; };
    const struct {
        const char* name;
        std::function<bool()> act;
        bool moved;
        int open, page;
        bool canPrev, canNext;
    } steps[] = {
        {"next from the newest", next, false, 250, 3, true, false},
        {"pre from the newest", pre, true, 249, 3, true, true},
        {"open the first row of page 3", open(201), true, 201, 3, true, true},
        {"pre loads page 2", pre, true, 200, 2, true, true},
        {"next loads page 3", next, true, 201, 3, true, true},
        {"open case 1", [&] { review.ui.firstPage->click(); review.Open(1); return true; }, true, 1, 1, false, true},
        {"pre before the first row", pre, false, 1, 1, false, true},
        {"page box: 2 after a second", [&] { review.ui.pageBox->setText("2"); QTest::qWait(1300); return true; },
         true, 1, 2, false, false},
        {"page box: out of range", [&] { review.ui.pageBox->setText("29"); return true; }, true, 1, 2, false, false},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(s.act(), s.moved) << s.name;
        EXPECT_EQ(review.list.OpenCaseId(), Id(s.open)) << s.name;
        EXPECT_EQ(review.list.Pager().m_nCurPage, s.page) << s.name;
        EXPECT_EQ(std::pair(review.list.CanPrev(), review.list.CanNext()), std::pair(s.canPrev, s.canNext)) << s.name;
        EXPECT_EQ(review.opened.back().record.CaseID, Id(s.open)) << s.name;
    }
    EXPECT_EQ(review.list.CaseIds(), Ids(101, 200));
}

TEST_P(ReviewList, SavesTheEditedFields)
{
    Add(1, 3);
    Review review(root);
    review.list.ActivateReview(); // opens case 3
    const struct {
        const char* name;
        int n;
        QString age;
        QMessageBox::StandardButton answer; // to the question; Ok: to the refused age
        bool written;
    } cases[] = {
        {"another case", 2, "45", QMessageBox::Yes, true},
        {"answered no", 2, "46", QMessageBox::No, false},
        {"age above 300", 2, "301", QMessageBox::Ok, false},
        {"the open case, age 300", 3, "300", QMessageBox::Yes, true},
    };
    ModalScript script;
    for (const auto& c : cases) {
        db::CaseRecord expected = **review::ReadCase(Id(c.n));
        review.Select(c.n);
        const review::CaseEdits edits{QStringLiteral("Edited %1").arg(c.name), 0, c.age, "No. 77", QString(253, u'é')};
        review.ui.name->setText(edits.name);
        review.ui.gender->setCurrentIndex(edits.sex);
        review.ui.age->setText(edits.age);
        review.ui.caseNo->setText(edits.caseNo);
        review.ui.remark->setText(edits.remark);
        QString text;
        script.Then(script.Press(c.answer, &text));
        review.ui.save->click();
        EXPECT_EQ(text, g_Language.GetString(c.answer == QMessageBox::Ok ? "IDS_STR_AGETIP" : "IDS_STR_MDFTIP"));
        if (c.written) {
            std::tie(expected.CaseName, expected.CaseSex, expected.CaseAge, expected.CaseHisID, expected.Mark) =
                std::tuple(edits.name, edits.sex, edits.age, edits.caseNo, edits.remark);
            EXPECT_EQ(review.ui.list->TextAt(c.n - 1, 2), edits.name) << c.name;
        }
        EXPECT_EQ(**review::ReadCase(Id(c.n)), expected) << c.name;
    }
    EXPECT_EQ(review.status, "Name: Edited the open case, age 300    Gender: Male    Age: 300");
}

TEST_P(ReviewList, FollowsChangesOfTheTableAndReportsWhatWentWrong)
{
    Add(1, 3);
    Review review(root);
    review.list.ActivateReview();
    auto refresh = [&](int kind) { return [&review, kind] { review.list.RefreshCases(kind); }; };
    const struct {
        const char* name;
        std::function<void()> change, act;
        QStringList ids;
        int open;
        const char* box = nullptr; // key of the message shown; "": the database's own text
    } steps[] = {
        {"a case may have been added", [&] { Add(4, 5); }, refresh(2), Ids(1, 5), 3},
        {"the table changed", [&] { Add(6, 6); }, refresh(1), Ids(1, 6), 3},
        {"every case deleted", [&] { db.Execute(R"(UPDATE "CaseManage" SET "BeDelete" = TRUE)"); }, refresh(1), {}, 3},
        {"no current", [&] { db.Execute(R"(UPDATE "CaseManage" SET "BeDelete" = FALSE)"); review.current.clear(); },
         refresh(2), Ids(1, 6), 6},
        {"folder missing: opened after the message",
         [&] { std::filesystem::remove(start / "Archive" / Id(2).toStdString()); }, [&] { review.Open(2); },
         Ids(1, 6), 2, "IDS_STR_111"},
        {"row removed since listing", [&] { db.Execute(R"(DELETE FROM "CaseManage" WHERE "CaseID" = '0000001')"); },
         [&] { review.Open(1); }, Ids(2, 6), 2, "IDS_STR_CASEGONE"},
        {"row marked deleted since listing",
         [&] { db.Execute(R"(UPDATE "CaseManage" SET "BeDelete" = TRUE WHERE "CaseID" = '0000003')"); },
         [&] { EXPECT_FALSE(review.list.NextCase()); }, QStringList{Id(2)} + Ids(4, 6), 2, "IDS_STR_CASEGONE"},
        {"database gone", [&] { Reach(false); }, refresh(1), {}, 2, ""},
        {"database back", [&] { Reach(true); }, refresh(1), QStringList{Id(2)} + Ids(4, 6), 2},
    };
    ModalScript script;
    for (const auto& s : steps) {
        s.change();
        QString text;
        if (s.box)
            script.Then(script.Press(QMessageBox::Ok, &text));
        s.act();
        EXPECT_TRUE(s.box ? text.startsWith(g_Language.GetString(s.box)) && !text.isEmpty() : text.isNull()) << s.name;
        EXPECT_EQ(review.list.CaseIds(), s.ids) << s.name;
        EXPECT_EQ(review.list.OpenCaseId(), Id(s.open)) << s.name;
        EXPECT_EQ(review.list.CanNext(), !s.ids.isEmpty() && Id(s.open) < s.ids.back()) << s.name;
    }
    EXPECT_EQ(review.current, Id(2));
}

INSTANTIATE_TEST_SUITE_P(Backends, ReviewList, testsupport::BothBackends(), testsupport::BackendName);

} // namespace
