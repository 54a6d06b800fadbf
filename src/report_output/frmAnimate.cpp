#include "frmAnimate.h"

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
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    Animation1 = new AnimationControl(this);
    Animation1->setObjectName(QStringLiteral("Animation1"));
    layout->addWidget(Animation1);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    layout->addWidget(cmdCancel, 0, Qt::AlignHCenter);
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
    adjustSize();
    setFixedSize(sizeHint());
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
    m_gate = std::make_unique<InputGate>();
    m_open = true;
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
