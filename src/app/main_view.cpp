#include "app/main_view.h"

#include "app/start_directory.h"

#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
constexpr int kSplitBarWidth = 4;
}

CMoss03View::CMoss03View(QWidget* parent)
    : QWidget(parent)
    , m_pSplitter(new QSplitter(Qt::Vertical, this))
    , m_picture(StartPath(QStringLiteral("Sunset.bmp")))
{
    setObjectName(QStringLiteral("mainView"));
    m_pSplitter->setObjectName(QStringLiteral("reviewArea"));
    m_pSplitter->setHandleWidth(kSplitBarWidth);
    m_pSplitter->setChildrenCollapsible(true);

    auto* reviewRow = new QWidget(m_pSplitter);
    reviewRow->setObjectName(QStringLiteral("reviewRow"));
    // The second row stays empty and out of sight, so that neither it nor its
    // split bar takes any of the review window's height.
    auto* emptyRow = new QWidget(m_pSplitter);
    emptyRow->setObjectName(QStringLiteral("emptyRow"));
    m_pSplitter->addWidget(reviewRow);
    m_pSplitter->addWidget(emptyRow);
    emptyRow->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pSplitter);
    m_pSplitter->hide();
}

void CMoss03View::SetReviewWindow(QWidget* reviewWindow)
{
    if (QWidget* replaced = m_pSplitter->replaceWidget(0, reviewWindow))
        replaced->deleteLater(); // the splitter has let go of it
}

QWidget* CMoss03View::ReviewWindow() const
{
    return m_pSplitter->widget(0);
}

void CMoss03View::ShowReviewArea()
{
    m_pSplitter->show();
}

void CMoss03View::ShowStartScreen()
{
    m_pSplitter->hide();
    update();
}

bool CMoss03View::IsReviewAreaShown() const
{
    return !m_pSplitter->isHidden();
}

void CMoss03View::paintEvent(QPaintEvent* /*event*/)
{
    if (IsReviewAreaShown())
        return;
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    if (m_scaledPicture.size() != size())
        m_scaledPicture = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap(0, 0, m_scaledPicture);
}
