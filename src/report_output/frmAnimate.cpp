#include "frmAnimate.h"

#include "Document.h"
#include "Session.h"
#include "Stop.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QImageReader>
#include <QMovie>
#include <QPointer>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

namespace tarvik {

namespace {
QPointer<frmAnimate>& theInstance()
{
    static QPointer<frmAnimate> instance;
    return instance;
}

QString& clipOverride()
{
    static QString path;
    return path;
}

bool g_cancelSeen = false;

QString& batchText()
{
    static QString text;
    return text;
}

// Wide enough for "18 of 18: " and a report's caption; longer captions are shortened.
constexpr int kTextWidth = 340;

// Progress windows open now, one within another.
int g_openProgress = 0;
} // namespace

AnimationControl::AnimationControl(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

AnimationControl::~AnimationControl() = default;

void AnimationControl::open(const QString& path)
{
    if (!QFileInfo(path).isFile())
        throw std::runtime_error(QStringLiteral("The animation file \"%1\" is missing.").arg(path).toStdString());
    auto* movie = new QMovie(path, QByteArray(), this);
    if (!movie->isValid()) {
        const QString reason = QImageReader(path).errorString();
        delete movie;
        throw std::runtime_error(
            QStringLiteral("The animation file \"%1\" cannot be played: %2").arg(path, reason).toStdString());
    }
    delete m_movie;
    m_movie = movie;
    m_movie->setCacheMode(QMovie::CacheAll);
    connect(m_movie, &QMovie::frameChanged, this, [this] { ++m_framesShown; });
    setMovie(m_movie);
    m_movie->jumpToFrame(0);
    if (m_autoPlay)
        play();
}

void AnimationControl::play()
{
    if (m_movie && m_movie->state() != QMovie::Running)
        m_movie->start();
}

void AnimationControl::stop()
{
    if (m_movie)
        m_movie->stop();
}

bool AnimationControl::isPlaying() const
{
    return m_movie && m_movie->state() == QMovie::Running;
}

frmAnimate::frmAnimate(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmAnimate"));
    setWindowTitle(QStringLiteral("Generating report..."));
    setModal(false);
    m_rows = new QVBoxLayout(this);
    m_rows->setContentsMargins(16, 12, 16, 12);
    Animation1 = new AnimationControl(this);
    Animation1->setObjectName(QStringLiteral("Animation1"));
    m_rows->addWidget(Animation1);
    lblReport = new QLabel(this);
    lblReport->setObjectName(QStringLiteral("lblReport"));
    lblPages = new QLabel(this);
    lblPages->setObjectName(QStringLiteral("lblPages"));
    for (QLabel* label : {lblReport, lblPages}) {
        label->setAlignment(Qt::AlignCenter);
        label->hide();
        m_rows->addWidget(label);
    }
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    m_rows->addWidget(cmdCancel, 0, Qt::AlignHCenter);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAnimate::cmdCancel_Click);
}

frmAnimate::~frmAnimate() = default;

void frmAnimate::cmdCancel_Click()
{
    if (m_cancelRequested)
        return;
    m_cancelRequested = true;
    g_cancelSeen = true;
    cmdCancel->setEnabled(false);
    cmdCancel->setText(QStringLiteral("Cancelling..."));
    // The command running is interrupted and rolled back; the layout stops at its next row.
    db::requestStop();
    emit cancelClicked();
}

void frmAnimate::reject()
{
    cmdCancel_Click();
}

void frmAnimate::closeEvent(QCloseEvent* event)
{
    // Closing the window asks for the cancel; the window goes when the run has ended.
    event->ignore();
    cmdCancel_Click();
}

void frmAnimate::Form_Load()
{
    Animation1->setAutoPlay(false);
    Animation1->open(clipPath());
    if (QMovie* movie = Animation1->movie())
        Animation1->setMinimumSize(movie->currentImage().size());
    m_width = std::max(Animation1->minimumWidth(), kTextWidth);
    for (QLabel* label : {lblReport, lblPages})
        label->setFixedWidth(m_width);
    showBatchPosition();
    fitToContents();
}

void frmAnimate::fitToContents()
{
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    adjustSize();
    setFixedSize(sizeHint());
}

// One line of text, shortened to the window's width; an empty text takes no room.
void frmAnimate::setLine(QLabel* label, const QString& text)
{
    label->setToolTip(text);
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, m_width));
    if (label->isHidden() == text.isEmpty())
        return;
    label->setVisible(!text.isEmpty());
    fitToContents();
}

void frmAnimate::showBatchPosition()
{
    setLine(lblReport, batchText());
}

void frmAnimate::showPages(int pages, bool complete)
{
    const QString count = pages == 1 ? tr("1 page") : tr("%1 pages").arg(pages);
    setLine(lblPages, complete ? count : tr("Laying out: %1 so far").arg(count));
}

void frmAnimate::watchLayout(const std::shared_ptr<engine::Document>& document)
{
    // Only the newest layout speaks; an earlier one's signals are no longer heard.
    for (QObject* watched : findChildren<QObject*>(QStringLiteral("layoutWatch"), Qt::FindDirectChildrenOnly))
        delete watched;
    if (!document)
        return;
    auto* watch = new QObject(this);
    watch->setObjectName(QStringLiteral("layoutWatch"));
    // Page counts come from the layout's thread and are shown here as they arrive, when the
    // document may already be gone: it is looked at only while it still exists.
    const std::weak_ptr<engine::Document> weak = document;
    auto show = [this, weak] {
        if (const auto doc = weak.lock())
            showPages(doc->pageCount(), doc->isComplete() && !doc->hasFailed());
    };
    connect(document.get(), &engine::Document::pagesAdded, watch, show);
    connect(document.get(), &engine::Document::finished, watch, show);
    show();
}

void frmAnimate::setBatchPosition(int index, int count, const QString& what)
{
    batchText() = tr("%1 of %2: %3").arg(index).arg(count).arg(what);
    if (frmAnimate* form = instance())
        form->showBatchPosition();
}

void frmAnimate::clearBatchPosition()
{
    batchText().clear();
    if (frmAnimate* form = instance())
        form->showBatchPosition();
}

QString frmAnimate::batchPosition()
{
    return batchText();
}

frmAnimate* frmAnimate::Load()
{
    if (theInstance())
        return theInstance();
    auto* form = new frmAnimate(QApplication::activeWindow());
    try {
        form->Form_Load();
    } catch (...) {
        delete form;
        throw;
    }
    theInstance() = form;
    return form;
}

void frmAnimate::Unload()
{
    if (frmAnimate* form = theInstance()) {
        theInstance() = nullptr;
        form->Animation1->stop();
        form->hide();
        delete form;
    }
}

frmAnimate* frmAnimate::instance()
{
    return theInstance();
}

QString frmAnimate::clipPath()
{
    if (!clipOverride().isEmpty())
        return clipOverride();
    return programFile(QStringLiteral("FileCopy.gif"));
}

void frmAnimate::setClipPath(const QString& path)
{
    clipOverride() = path;
}

// Keeps user input from every window but the progress window while it is up (the database
// layer's waits let input through so that Cancel answers); Esc anywhere cancels.
class ProgressWindow::InputGate : public QObject
{
public:
    InputGate() { qApp->installEventFilter(this); }
    ~InputGate() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Shortcut:
            break;
        default:
            return false;
        }
        frmAnimate* form = frmAnimate::instance();
        auto* widget = qobject_cast<QWidget*>(watched);
        if (form && widget && widget->window() == form)
            return false;
        if (form && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            form->cmdCancel_Click();
        return true;
    }

private:
    db::CancelWindowScope m_scope;
};

ProgressWindow::ProgressWindow()
{
    frmAnimate* form = frmAnimate::Load();
    form->Animation1->setAutoPlay(false);
    form->show();
    form->Animation1->play();
    if (g_openProgress == 0) // the outermost window keeps the input
        m_gate = std::make_unique<InputGate>();
    m_open = true;
    ++g_openProgress;
}

bool ProgressWindow::cancelSeen() { return g_cancelSeen; }

void ProgressWindow::forgetCancel() { g_cancelSeen = false; }

ProgressWindow::~ProgressWindow()
{
    // Also on the way out of an error: the window must not stay on screen behind the message.
    finish();
}

void ProgressWindow::finish()
{
    if (!m_open)
        return;
    m_open = false;
    m_gate.reset();
    if (--g_openProgress > 0)
        return; // an outer piece of work still runs: its window stays
    bool cancelled = false;
    if (frmAnimate* form = frmAnimate::instance()) {
        form->Animation1->stop();
        cancelled = form->cancelRequested();
    }
    frmAnimate::Unload();
    // The run has ended (or its error is on the way out): the next run may use the database.
    if (cancelled)
        db::clearStop();
}

} // namespace tarvik
