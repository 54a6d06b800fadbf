#pragma once

#include <QPixmap>
#include <QWidget>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QToolButton;

namespace tarvik::shell {

class DialogRegistry;

// The grip between the menu pane and the picture; reports the pointer's x inside it.
class SplitterGrip : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
signals:
    void pressed(int x);
    void moved(int x);
    void released(int x);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The picture on the right: fills its area without distortion.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    void setPicture(const QPixmap& picture);
    const QPixmap& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

// The report menu: eight categories, the items of the selected one, the picture on the
// right and who is logged in on which server.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    // Geometry of the form's own layout, in twips.
    static constexpr int kCategoryButtonHeight = 390;
    static constexpr int kCategoryButtonLeft = 30;
    static constexpr int kItemButtonHeight = 600;
    static constexpr int kItemButtonLeft = 90;
    static constexpr int kGripWidth = 75;
    static constexpr int kInitialPaneWidth = 4650;

    // Loads the menu. pictureFolder holds Reports.Jpg (programFile unless given);
    // a missing picture throws std::runtime_error.
    explicit frmMain(DialogRegistry& dialogs, QWidget* parent = nullptr,
                     const QString& pictureFolder = QString());

    void cmdMainMenu_Click(int index);
    void fltSubMenu_Click(int index);
    // Opens the dialog of an item; a pair that is not in the menu does nothing.
    void OpenReportItem(int category, int item);
    // Lays the panes out for a requested menu pane width (twips).
    void SizeControls(int paneWidth);

    int selectedCategory() const { return m_selected; }
    int basePicture() const { return m_basePicture; }
    int paneWidth() const { return m_paneWidth; }
    bool isDraggingSplitter() const { return m_dragging; }
    int splitterBarLeft() const { return m_barLeft; } // twips

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildCategoryButtons();
    void ArrangeCategoryButtons();
    void ShowCategoryItems();
    void BuildItemButtons(const std::vector<QString>& captions);
    void orderTabs();
    void applyGeometry();
    int windowWidthTwips() const;
    int paneHeightTwips() const;

    void imgSplitter_MouseDown(int x);
    void imgSplitter_MouseMove(int x);
    void imgSplitter_MouseUp(int x);

    DialogRegistry& m_dialogs;
    QFrame* m_picMainMenu;
    std::vector<QPushButton*> m_cmdMainMenu;
    // The open category's items, in a strip of their own that scrolls when the window is too
    // short for them, so that they never cover the category buttons below.
    QScrollArea* m_itemArea;
    QWidget* m_itemStrip;
    std::vector<QToolButton*> m_fltSubMenu;
    SplitterGrip* m_imgSplitter;
    QFrame* m_picSplitter;
    PictureBox* m_image1;
    QStatusBar* m_statusBar;
    QLabel* m_statusPanel;

    int m_selected = 0;
    int m_basePicture = 1;
    int m_itemCount = 0;
    int m_paneWidth = kInitialPaneWidth;
    bool m_dragging = false;
    int m_barLeft = 0;
};

// The first panel of the status bar.
QString statusBarText(const QString& employeeName, const QString& serverName);

} // namespace tarvik::shell
