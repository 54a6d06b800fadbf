#include "ReportViewer.h"

#include "ExportSupport.h"
#include "Report.h"
#include "Stop.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>
#include <functional>

Q_LOGGING_CATEGORY(lcViewer, "tarvik.viewer")

namespace tarvik::viewer {

namespace {

struct ZoomChoice
{
    const char* label;
    int level; // as setZoom takes it
};

constexpr ZoomChoice kZoomChoices[] = {
    {"Page Width", 1}, {"Whole Page", 2}, {"50%", 50},   {"75%", 75},   {"100%", 100},
    {"125%", 125},     {"150%", 150},     {"200%", 200}, {"300%", 300}, {"400%", 400},
};

struct ExportChoice
{
    const char* filter;
    const char* suffix;
    int formatType;
};

// The engine's export format codes.
constexpr ExportChoice kExportChoices[] = {
    {"Excel 97-2003 workbook (*.xls)", "xls", 29},
    {"PDF document (*.pdf)", "pdf", 31},
    {"Excel workbook (*.xlsx)", "xlsx", 38},
    {"Comma-separated values (*.csv)", "csv", 39},
};
constexpr int kDiskFile = 1;

} // namespace

void ReportViewer::waitForLayout(engine::Document& document)
{
    if (document.isComplete())
        return;
    QEventLoop loop;
    QObject::connect(&document, &engine::Document::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QObject::connect(&document, &engine::Document::failed, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    // The layout may have ended between the first look and the connections.
    QTimer::singleShot(0, &loop, [&loop, &document] {
        if (document.isComplete())
            loop.quit();
    });
    // A progress window's Cancel must answer while the layout is waited for.
    loop.exec(db::cancelWindowOpen() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

ReportViewer::ReportViewer(QWidget* parent)
    : QWidget(parent)
{
    buildUi();
}

ReportViewer::~ReportViewer()
{
    if (!m_document)
        return;
    disconnect(m_document.get(), nullptr, this, nullptr);
    m_document->cancel();
    if (m_document->isComplete())
        return;
    // The layout stops at its next row, which may be a while (a long query). The window does
    // not wait for it: the document's last reference goes when its layout has ended.
    auto keep = std::make_shared<std::shared_ptr<engine::Document>>(m_document);
    const auto release = [keep] { keep->reset(); };
    connect(m_document.get(), &engine::Document::finished, qApp, release, Qt::QueuedConnection);
    connect(m_document.get(), &engine::Document::failed, qApp, release, Qt::QueuedConnection);
    // It may have ended between the look above and the connections.
    if (m_document->isComplete())
        QTimer::singleShot(0, qApp, release);
}

void ReportViewer::buildUi()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ViewerToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QStyle* st = style();

    auto addAction = [this](const QString& name, const QIcon& icon, const QString& text,
                            const QString& tip) {
        QAction* action = m_toolBar->addAction(icon, text);
        action->setObjectName(name);
        action->setToolTip(tip);
        return action;
    };

    // Words rather than a guess at a picture when the desktop offers no icon theme.
    m_actPrint = addAction(QStringLiteral("actPrint"), QIcon::fromTheme(QStringLiteral("document-print")),
                           tr("Print"), tr("Print the report"));
    m_actExport = addAction(QStringLiteral("actExport"), QIcon::fromTheme(QStringLiteral("document-save-as")),
                            tr("Export"), tr("Export the report to a file"));
    m_actGroupTree = addAction(QStringLiteral("actGroupTree"), st->standardIcon(QStyle::SP_FileDialogListView),
                               tr("Group Tree"), tr("Show or hide the group tree"));
    m_actGroupTree->setCheckable(true);
    m_toolBar->addSeparator();

    m_actFirst = addAction(QStringLiteral("actFirstPage"), st->standardIcon(QStyle::SP_MediaSkipBackward),
                           QString(), tr("First page"));
    m_actPrevious = addAction(QStringLiteral("actPreviousPage"), st->standardIcon(QStyle::SP_MediaSeekBackward),
                              QString(), tr("Previous page"));
    m_pageEdit = new QLineEdit(this);
    m_pageEdit->setObjectName(QStringLiteral("txtPage"));
    m_pageEdit->setToolTip(tr("Go to page"));
    m_pageEdit->setFixedWidth(56);
    m_pageEdit->setAlignment(Qt::AlignRight);
    m_pageEdit->setValidator(new QIntValidator(1, 9999999, m_pageEdit));
    m_toolBar->addWidget(m_pageEdit);
    m_pageCountLabel = new QLabel(this);
    m_pageCountLabel->setObjectName(QStringLiteral("lblPageCount"));
    m_pageCountLabel->setMinimumWidth(64);
    m_pageCountLabel->setContentsMargins(4, 0, 4, 0);
    m_toolBar->addWidget(m_pageCountLabel);
    m_actNext = addAction(QStringLiteral("actNextPage"), st->standardIcon(QStyle::SP_MediaSeekForward),
                          QString(), tr("Next page"));
    m_actLast = addAction(QStringLiteral("actLastPage"), st->standardIcon(QStyle::SP_MediaSkipForward),
                          QString(), tr("Last page"));
    m_toolBar->addSeparator();

    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(QStringLiteral("cboZoom"));
    m_zoom->setToolTip(tr("Zoom"));
    for (const ZoomChoice& choice : kZoomChoices)
        m_zoom->addItem(tr(choice.label), choice.level);
    m_toolBar->addWidget(m_zoom);
    m_toolBar->addSeparator();

    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setObjectName(QStringLiteral("txtSearch"));
    m_searchEdit->setPlaceholderText(tr("Find text"));
    m_searchEdit->setClearButtonEnabled(true);
    m_searchEdit->setFixedWidth(150);
    m_toolBar->addWidget(m_searchEdit);
    m_actFindPrevious = addAction(QStringLiteral("actFindPrevious"), st->standardIcon(QStyle::SP_ArrowUp),
                                  QString(), tr("Find previous"));
    m_actFindNext = addAction(QStringLiteral("actFindNext"), st->standardIcon(QStyle::SP_ArrowDown),
                              QString(), tr("Find next"));
    m_searchLabel = new QLabel(this);
    m_searchLabel->setObjectName(QStringLiteral("lblSearch"));
    m_searchLabel->setMinimumWidth(60);
    m_searchLabel->setContentsMargins(4, 0, 4, 0);
    m_toolBar->addWidget(m_searchLabel);
    layout->addWidget(m_toolBar);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("ViewerSplitter"));
    m_tree = new QTreeWidget(m_splitter);
    m_tree->setObjectName(QStringLiteral("GroupTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_view = new PageView(m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_view);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({200, 800});
    layout->addWidget(m_splitter, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setContentsMargins(6, 2, 6, 2);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_status);

    // Keys: active while the focus is anywhere in this viewer, so that several viewers in one
    // frame never take each other's keys.
    auto bindKeys = [this](QAction* action, const QList<QKeySequence>& keys) {
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        this->addAction(action);
        if (!keys.isEmpty() && !action->toolTip().isEmpty())
            action->setToolTip(QStringLiteral("%1 (%2)").arg(action->toolTip(), keys.first().toString(QKeySequence::NativeText)));
    };
    bindKeys(m_actPrint, QKeySequence::keyBindings(QKeySequence::Print));
    bindKeys(m_actFindNext, QKeySequence::keyBindings(QKeySequence::FindNext));
    bindKeys(m_actFindPrevious, QKeySequence::keyBindings(QKeySequence::FindPrevious));
    m_actFind = new QAction(tr("Find"), this);
    m_actFind->setObjectName(QStringLiteral("actFind"));
    bindKeys(m_actFind, QKeySequence::keyBindings(QKeySequence::Find));
    m_actZoomIn = new QAction(tr("Zoom In"), this);
    m_actZoomIn->setObjectName(QStringLiteral("actZoomIn"));
    bindKeys(m_actZoomIn, QKeySequence::keyBindings(QKeySequence::ZoomIn) << QKeySequence(Qt::CTRL | Qt::Key_Equal));
    m_actZoomOut = new QAction(tr("Zoom Out"), this);
    m_actZoomOut->setObjectName(QStringLiteral("actZoomOut"));
    bindKeys(m_actZoomOut, QKeySequence::keyBindings(QKeySequence::ZoomOut));
    connect(m_actFind, &QAction::triggered, this, [this] {
        m_searchEdit->setFocus(Qt::ShortcutFocusReason);
        m_searchEdit->selectAll();
    });
    connect(m_actZoomIn, &QAction::triggered, this, [this] { m_view->zoomBy(25); });
    connect(m_actZoomOut, &QAction::triggered, this, [this] { m_view->zoomBy(-25); });
    connect(m_view, &PageView::zoomChanged, this, &ReportViewer::syncZoomBox);

    connect(m_actFirst, &QAction::triggered, this, &ReportViewer::showFirstPage);
    connect(m_actPrevious, &QAction::triggered, this, &ReportViewer::showPreviousPage);
    connect(m_actNext, &QAction::triggered, this, &ReportViewer::showNextPage);
    connect(m_actLast, &QAction::triggered, this, &ReportViewer::showLastPage);
    connect(m_pageEdit, &QLineEdit::returnPressed, this, &ReportViewer::onPageEntered);
    connect(m_zoom, &QComboBox::activated, this, &ReportViewer::onZoomChosen);
    connect(m_actGroupTree, &QAction::toggled, this, [this](bool on) {
        m_displayGroupTree = on;
        applyGroupTreeVisibility();
    });
    connect(m_tree, &QTreeWidget::itemClicked, this, &ReportViewer::onTreeItemActivated);
    connect(m_tree, &QTreeWidget::itemActivated, this, &ReportViewer::onTreeItemActivated);
    connect(m_searchEdit, &QLineEdit::textChanged, this, &ReportViewer::onSearchTextChanged);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, [this] { findNext(m_searchEdit->text()); });
    connect(m_actFindNext, &QAction::triggered, this, [this] { findNext(m_searchEdit->text()); });
    connect(m_actFindPrevious, &QAction::triggered, this, [this] { findPrevious(m_searchEdit->text()); });
    connect(m_actPrint, &QAction::triggered, this, &ReportViewer::onPrintClicked);
    connect(m_actExport, &QAction::triggered, this, &ReportViewer::onExportClicked);
    connect(m_view, &PageView::pagesChanged, this, &ReportViewer::onPagesChanged);
    connect(m_view, &PageView::currentPageChanged, this, &ReportViewer::onCurrentPageChanged);

    setDisplayGroupTree(true);
    updatePageLabel();
}

void ReportViewer::setReportSource(std::shared_ptr<engine::Report> report)
{
    if (m_document) {
        disconnect(m_document.get(), nullptr, this, nullptr);
        m_document->cancel();
    }
    m_report = std::move(report);
    m_document.reset();
    m_layoutFailed = false;
    m_hits.clear();
    m_currentHit = -1;
    m_tree->clear();
    m_status->clear();
    if (m_report) {
        m_document = m_report->layOut();
        connect(m_document.get(), &engine::Document::finished, this, &ReportViewer::onLayoutFinished,
                Qt::QueuedConnection);
        connect(m_document.get(), &engine::Document::failed, this, &ReportViewer::onLayoutFailed,
                Qt::QueuedConnection);
        m_status->setText(m_statusPrefix.isEmpty() ? tr("Preparing the report...")
                                                   : tr("%1: preparing the report...").arg(m_statusPrefix));
    }
    m_view->setDocument(m_document);
    // The layout may have ended before the connections were made.
    if (m_document && m_document->isComplete()) {
        if (m_document->hasFailed())
            onLayoutFailed(m_document->errorString());
        else
            onLayoutFinished();
    }
}

void ReportViewer::setZoom(int level)
{
    if (level == 1)
        m_view->setZoom(PageView::ZoomMode::FitWidth);
    else if (level == 2)
        m_view->setZoom(PageView::ZoomMode::WholePage);
    else
        m_view->setZoom(PageView::ZoomMode::Percent, level);
}

void ReportViewer::syncZoomBox()
{
    // The box shows the view's zoom, however it was chosen (the box, keys, Ctrl+wheel).
    const int level = m_view->zoomMode() == PageView::ZoomMode::FitWidth    ? 1
                      : m_view->zoomMode() == PageView::ZoomMode::WholePage ? 2
                                                                            : m_view->zoomPercent();
    int index = m_zoom->findData(level);
    if (index < 0) {
        const QString label = QStringLiteral("%1%").arg(m_view->zoomPercent());
        index = m_zoom->findText(label);
        if (index < 0) {
            m_zoom->addItem(label, m_view->zoomPercent());
            index = m_zoom->count() - 1;
        }
    }
    m_zoom->setCurrentIndex(index);
}

int ReportViewer::zoomPercent() const
{
    return m_view->zoomPercent();
}

void ReportViewer::onZoomChosen(int index)
{
    setZoom(m_zoom->itemData(index).toInt());
}

void ReportViewer::setDisplayGroupTree(bool display)
{
    m_displayGroupTree = display;
    applyGroupTreeVisibility();
}

void ReportViewer::setEnableGroupTree(bool enable)
{
    m_enableGroupTree = enable;
    applyGroupTreeVisibility();
}

void ReportViewer::applyGroupTreeVisibility()
{
    const bool shown = m_displayGroupTree && m_enableGroupTree;
    m_tree->setVisible(shown);
    m_tree->setEnabled(m_enableGroupTree);
    m_actGroupTree->setEnabled(m_enableGroupTree);
    const QSignalBlocker block(m_actGroupTree);
    m_actGroupTree->setChecked(shown);
}

void ReportViewer::viewReport()
{
    m_view->show();
    m_view->setFocus();
}

int ReportViewer::currentPage() const
{
    return m_view->pageCount() == 0 ? 0 : m_view->currentPage() + 1;
}

int ReportViewer::pageCount() const
{
    return m_view->pageCount();
}

bool ReportViewer::isLayoutComplete() const
{
    return m_document && m_document->isComplete();
}

void ReportViewer::showFirstPage() { m_view->goToPage(0); }
void ReportViewer::showPreviousPage() { m_view->goToPage(m_view->currentPage() - 1); }
void ReportViewer::showNextPage() { m_view->goToPage(m_view->currentPage() + 1); }

void ReportViewer::showLastPage()
{
    // The last page of a report still being laid out is not known yet: show the last one so far.
    m_view->goToPage(m_view->pageCount() - 1);
}

void ReportViewer::showPage(int page)
{
    m_view->goToPage(page - 1);
}

void ReportViewer::onPageEntered()
{
    bool ok = false;
    const int page = m_pageEdit->text().toInt(&ok);
    if (ok)
        showPage(page);
    m_pageEdit->setModified(false);
    updatePageLabel();
}

void ReportViewer::onPagesChanged(int)
{
    updatePageLabel();
}

void ReportViewer::onCurrentPageChanged(int)
{
    updatePageLabel();
}

void ReportViewer::updatePageLabel()
{
    const int count = m_view->pageCount();
    const bool complete = isLayoutComplete();
    // Not while the person is typing a page number.
    if (!m_pageEdit->isModified())
        m_pageEdit->setText(count == 0 ? QString() : QString::number(currentPage()));
    // "+" while more pages are on their way.
    m_pageCountLabel->setText(complete || !m_document ? tr("of %1").arg(count) : tr("of %1+").arg(count));
    const int page = currentPage();
    m_actFirst->setEnabled(page > 1);
    m_actPrevious->setEnabled(page > 1);
    m_actNext->setEnabled(page < count);
    m_actLast->setEnabled(page < count);
}

void ReportViewer::onLayoutFinished()
{
    if (!m_document)
        return;
    m_view->refreshPages(); // the last pages, without moving the view
    if (m_document->hasFailed()) {
        onLayoutFailed(m_document->errorString());
        return;
    }
    const int pages = m_document->pageCount();
    const QString count = pages == 1 ? tr("1 page") : tr("%1 pages").arg(pages);
    m_status->setText(m_statusPrefix.isEmpty() ? count : tr("%1 (%2)").arg(m_statusPrefix, count));
    rebuildGroupTree();
    updatePageLabel();
}

void ReportViewer::onLayoutFailed(const QString& message)
{
    if (m_layoutFailed)
        return;
    m_layoutFailed = true;
    updatePageLabel();
    showError(tr("The report could not be prepared: %1").arg(message));
}

void ReportViewer::showError(const QString& message)
{
    qCWarning(lcViewer).noquote() << message;
    m_status->setText(message);
    emit errorOccurred(message);
}

void ReportViewer::rebuildGroupTree()
{
    m_tree->clear();
    if (!m_document)
        return;
    std::function<void(QTreeWidgetItem*, const std::vector<engine::GroupNode>&)> add =
        [&](QTreeWidgetItem* parent, const std::vector<engine::GroupNode>& nodes) {
            for (const engine::GroupNode& node : nodes) {
                auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
                item->setText(0, node.name);
                item->setData(0, Qt::UserRole, node.page);
                item->setData(0, Qt::UserRole + 1, node.y);
                // The whole name, also when the pane is too narrow for it.
                item->setToolTip(0, tr("%1 (page %2)").arg(node.name.toHtmlEscaped()).arg(node.page + 1));
                add(item, node.children);
            }
        };
    add(nullptr, m_document->groupTree());
}

void ReportViewer::showMessage(const QString& message)
{
    m_status->setText(message);
}

QString ReportViewer::statusText() const
{
    return m_status->text();
}

void ReportViewer::onTreeItemActivated(QTreeWidgetItem* item)
{
    if (!item)
        return;
    // To the group itself, a little above its first line, not to the top of its page.
    m_view->goToPosition(item->data(0, Qt::UserRole).toInt(), std::max(0.0, item->data(0, Qt::UserRole + 1).toDouble() - 6));
}

void ReportViewer::onSearchTextChanged()
{
    m_hits.clear();
    m_currentHit = -1;
    m_hitsText.clear();
    m_searchLabel->clear();
    m_view->setHighlights({}, -1);
}

bool ReportViewer::findNext(const QString& text) { return find(text, +1); }
bool ReportViewer::findPrevious(const QString& text) { return find(text, -1); }

bool ReportViewer::find(const QString& text, int direction)
{
    if (!m_document || text.trimmed().isEmpty())
        return false;
    if (text != m_hitsText || m_hitsPageCount != m_document->pageCount()) {
        // New text, or more pages since the last search: search again from the same place.
        const engine::TextHit previous = (m_currentHit >= 0 && m_currentHit < int(m_hits.size()))
            ? engine::TextHit{m_hits[size_t(m_currentHit)].page, m_hits[size_t(m_currentHit)].rect}
            : engine::TextHit{-1, {}};
        m_hits.clear();
        for (const engine::TextHit& hit : m_document->findText(text, Qt::CaseInsensitive))
            m_hits.push_back(PageRect{hit.page, hit.rect});
        m_hitsText = text;
        m_hitsPageCount = m_document->pageCount();
        m_currentHit = -1;
        for (size_t i = 0; i < m_hits.size() && previous.page >= 0; ++i) {
            if (m_hits[i].page == previous.page && m_hits[i].rect == previous.rect)
                m_currentHit = int(i);
        }
        if (m_currentHit < 0 && !m_hits.empty()) {
            // Start from the page in view.
            const int page = m_view->currentPage();
            int start = 0;
            while (start < int(m_hits.size()) && m_hits[size_t(start)].page < page)
                ++start;
            m_currentHit = direction > 0 ? start - 1 : start;
        }
    }
    if (m_hits.empty()) {
        m_searchLabel->setText(tr("Not found"));
        m_view->setHighlights({}, -1);
        return false;
    }
    const int n = int(m_hits.size());
    m_currentHit = ((m_currentHit + direction) % n + n) % n;
    m_searchLabel->setText(tr("%1 of %2").arg(m_currentHit + 1).arg(n));
    m_view->setHighlights(m_hits, m_currentHit);
    m_view->ensureVisible(m_hits[size_t(m_currentHit)]);
    return true;
}

void ReportViewer::printDocument(engine::Document& document, QPrinter& printer, int from, int to)
{
    waitForLayout(document);
    if (document.hasFailed())
        throw engine::ReportError(document.errorString());
    const int count = document.pageCount();
    if (count == 0)
        throw engine::ReportError(QObject::tr("The report has no pages to print."));
    from = from <= 0 ? 1 : std::min(from, count);
    to = to <= 0 ? count : std::min(to, count);
    QPainter painter;
    if (!painter.begin(&printer))
        throw engine::ReportError(QObject::tr("The printer \"%1\" cannot be used.").arg(printer.printerName()));
    const QRectF target = printer.pageRect(QPrinter::DevicePixel);
    for (int page = from; page <= to; ++page) {
        if (page > from && !printer.newPage())
            throw engine::ReportError(QObject::tr("The printer stopped at page %1.").arg(page));
        // Fit the page into what the printer can print, keeping its proportions.
        const QSizeF size = document.pageSizePoints(page - 1);
        const double scale = std::min(target.width() / size.width(), target.height() / size.height());
        painter.save();
        painter.scale(scale, scale);
        document.paintPage(painter, page - 1);
        painter.restore();
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw engine::ReportError(QObject::tr("The report could not be sent to the printer \"%1\".").arg(printer.printerName()));
}

bool ReportViewer::printReport()
{
    if (!m_document)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    // The page Page Setup chose, else the report's own; the job is named by the caption.
    engine::PrintSettings::applyTo(printer, m_document->pageCount() > 0 ? m_document->pageSizePoints(0)
                                                                        : m_report->definition().pageSizePoints());
    printer.setDocName(m_report->displayName());
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setMinMax(1, std::max(1, m_document->pageCount()));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    int from = 0, to = 0;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = currentPage();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        printDocument(*m_document, printer, from, to);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    return true;
}

void ReportViewer::onPrintClicked()
{
    try {
        printReport();
    } catch (const std::exception& e) {
        showError(QString::fromStdString(e.what()));
    }
}

void ReportViewer::onExportClicked()
{
    emit exportClicked();
    if (!m_ownExport)
        return;
    try {
        exportWithPrompt();
    } catch (const std::exception& e) {
        showError(QString::fromStdString(e.what()));
    }
}

void ReportViewer::exportWithPrompt()
{
    if (!m_report)
        return;
    QStringList filters;
    for (const ExportChoice& choice : kExportChoices)
        filters << tr(choice.filter);
    // Where the program exports (the export folder setting) and the name the report would be
    // exported under without asking.
    QString folder = engine::Report::defaultExportFolder();
    QString name = m_report->displayName();
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.remove(QLatin1Char(':'));
    const QString preset = m_report->exportOptions().diskFileName;
    if (!preset.isEmpty()) {
        const QFileInfo info(preset);
        if (info.isAbsolute())
            folder = info.absolutePath();
        name = info.completeBaseName();
    }
    QString selected = filters.first();
    QFileDialog dialog(this, tr("Export Report"), QDir(folder).filePath(name));
    dialog.setObjectName(QStringLiteral("ExportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(selected);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString path = dialog.selectedFiles().constFirst();
    const int choice = std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter()));
    const ExportChoice& format = kExportChoices[choice];
    if (QFileInfo(path).suffix().compare(QLatin1String(format.suffix), Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + QLatin1String(format.suffix);

    engine::ExportOptions& options = m_report->exportOptions();
    const engine::ExportOptions before = options;
    options.diskFileName = path;
    options.formatType = format.formatType;
    options.destinationType = kDiskFile;
    bool exported = false;
    try {
        exported = exportInBackground(m_report, path);
    } catch (...) {
        options = before;
        throw;
    }
    // The person's choice was for this export only; what the dialog preset stays.
    options = before;
    m_status->setText(exported ? tr("Exported to %1").arg(QDir::toNativeSeparators(path))
                               : cancelledText(path));
}

QString ReportViewer::cancelledText(const QString& path)
{
    return QFileInfo::exists(path)
        ? tr("Export cancelled: %1 was left as it was.").arg(QDir::toNativeSeparators(path))
        : tr("Export cancelled: nothing was written.");
}

bool ReportViewer::exportInBackground(const std::shared_ptr<engine::Report>& report, const QString& target)
{
    if (!report)
        return false;
    // What the export needs is taken here, on the window's thread; the rest runs beside it.
    std::function<void()> job = report->prepareExport(report == m_report ? m_document : nullptr);
    auto control = std::make_shared<engine::ExportControl>();
    auto failure = std::make_shared<QString>();
    std::unique_ptr<QThread> worker(QThread::create([job = std::move(job), report, control, failure] {
        engine::ExportControlScope scope(control.get());
        try {
            job();
        } catch (const std::exception& e) {
            *failure = QString::fromUtf8(e.what());
        }
    }));
    worker->setObjectName(QStringLiteral("tarvik-export"));

    const QString name = QFileInfo(target).fileName();
    QProgressDialog progress(tr("Exporting to %1...").arg(name), tr("Cancel"), 0, 0, window());
    progress.setObjectName(QStringLiteral("ExportProgress"));
    progress.setWindowTitle(tr("Export"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(0);
    // Cancel and Esc both end here; the window stays until the export has stopped.
    connect(&progress, &QProgressDialog::canceled, &progress, [&progress, control] {
        control->cancel = true;
        progress.setLabelText(tr("Cancelling..."));
        progress.show();
    });
    QTimer tick;
    tick.setInterval(100);
    connect(&tick, &QTimer::timeout, &progress, [&progress, control, name] {
        if (control->cancel)
            return;
        const int done = control->done;
        const int total = control->total;
        if (total > 0) {
            progress.setRange(0, total);
            progress.setValue(std::min(done, total));
            progress.setLabelText(tr("Exporting to %1: page %2 of %3").arg(name).arg(done).arg(total));
        } else if (done > 0) {
            progress.setLabelText(tr("Exporting to %1: %2 rows").arg(name).arg(done));
        }
    });
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    progress.show();
    tick.start();
    loop.exec();
    worker->wait();
    tick.stop();
    progress.hide();
    if (!failure->isEmpty()) {
        if (control->cancel)
            return false;
        throw std::runtime_error(failure->toStdString());
    }
    return true;
}

} // namespace tarvik::viewer
