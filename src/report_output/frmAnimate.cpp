#include "frmAnimate.h"

#include "Session.h"

#include <QApplication>
#include <QFileInfo>
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
}

frmAnimate::~frmAnimate() = default;

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

ProgressWindow::ProgressWindow()
{
    frmAnimate* form = frmAnimate::Load();
    form->Animation1->setAutoPlay(false);
    form->show();
    form->Animation1->play();
    m_open = true;
}

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
    if (frmAnimate* form = frmAnimate::instance())
        form->Animation1->stop();
    frmAnimate::Unload();
}

} // namespace tarvik
