#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <memory>

class QMovie;
class QPushButton;
class QVBoxLayout;

namespace tarvik::engine {
class Document;
}

namespace tarvik {

// Plays a clip file; the clip keeps moving whenever the event loop turns, which it does while
// the database layer waits for a command.
class AnimationControl : public QLabel
{
    Q_OBJECT
public:
    explicit AnimationControl(QWidget* parent = nullptr);
    ~AnimationControl() override;

    // Whether opening a clip starts it at once.
    void setAutoPlay(bool autoPlay) { m_autoPlay = autoPlay; }
    bool autoPlay() const { return m_autoPlay; }

    // Opens a clip. Throws std::runtime_error naming the file when it is missing or unreadable.
    void open(const QString& path);
    void play();
    void stop();
    bool isPlaying() const;
    int framesShown() const { return m_framesShown; }
    QMovie* movie() const { return m_movie; }

private:
    QMovie* m_movie = nullptr;
    bool m_autoPlay = true;
    int m_framesShown = 0;
};

// The progress window that long report runs show while stored procedures and the report
// engine work: caption "Generating report...", one animation; under it which report of a
// batch is being made ("3 of 18: Aging Analysis Report") and, while a report is laid out, its
// pages so far; then a Cancel button (Esc too). Cancel stops the database work of the run (the
// command running is interrupted and rolled back) and its layout; the run then ends with the
// cancel as its error. One instance at a time. Its rows sit in one column (rows()).
class frmAnimate : public QDialog
{
    Q_OBJECT
public:
    // Loads the window (once): auto-play off, the clip opened. Throws when the clip file is
    // missing; then no window is left behind.
    static frmAnimate* Load();
    // Closes and destroys the window; nothing happens when it is not loaded.
    static void Unload();
    // The loaded window, or nullptr.
    static frmAnimate* instance();

    // The clip: the program's FileCopy.gif (programFile), unless a test chose another file.
    static QString clipPath();
    static void setClipPath(const QString& path);

    // Where a batch stands, shown by every progress window (and told to every viewer) until
    // the batch ends. index counts from 1.
    static void setBatchPosition(int index, int count, const QString& what);
    static void clearBatchPosition();
    // "3 of 18: Aging Analysis Report"; empty when no batch is running.
    static QString batchPosition();

    // Counts the pages of a layout while it runs ("Laying out: 12 pages so far"), then tells
    // its total; a later layout replaces an earlier one.
    void watchLayout(const std::shared_ptr<engine::Document>& document);

    AnimationControl* Animation1 = nullptr;
    QLabel* lblReport = nullptr; // which report of the batch
    QLabel* lblPages = nullptr;  // the layout's pages
    QPushButton* cmdCancel = nullptr;

    // Asks the run to stop (once); the button then reads "Cancelling...".
    void cmdCancel_Click();
    bool cancelRequested() const { return m_cancelRequested; }

signals:
    void cancelClicked();

protected:
    QVBoxLayout* rows() const { return m_rows; }
    void reject() override; // Esc cancels the run; the window stays until the run has ended
    void closeEvent(QCloseEvent* event) override;

private:
    explicit frmAnimate(QWidget* parent = nullptr);
    ~frmAnimate() override;
    void Form_Load();
    void showBatchPosition();
    void showPages(int pages, bool complete);
    void setLine(QLabel* label, const QString& text);
    void fitToContents();

    QVBoxLayout* m_rows = nullptr;
    int m_width = 0;

    bool m_cancelRequested = false;
};

// Shows the progress window around a piece of work: loads it, shows it modeless and starts
// the animation; finish() (or the end of the scope, also when an error is on its way) stops
// the animation and unloads the window. Progress windows within one another (a batch, one of
// its reports, a departmental runner) share the one window, which goes when the outermost
// finishes. While it is up, its Cancel button is the only input the program takes (Esc in any
// window cancels too). A cancel is remembered for the run (cancelSeen()) and the database stop
// it asked for is lifted when the window goes.
class ProgressWindow
{
public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void finish();

    // Whether a progress window was cancelled since the last forgetCancel().
    static bool cancelSeen();
    static void forgetCancel();

private:
    class InputGate;
    bool m_open = false;
    std::unique_ptr<InputGate> m_gate;
};

} // namespace tarvik
