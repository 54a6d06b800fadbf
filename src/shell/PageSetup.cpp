#include "PageSetup.h"

#include "ProgramSettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPageSize>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#ifdef TARVIK_HAVE_ENGINE
#include "Report.h"
#endif

Q_LOGGING_CATEGORY(lcPageSetup, "tarvik.shell")

namespace tarvik::shell {

namespace {

const char* const kOwnPaper = "As each report is laid out";

} // namespace

PageSetupDialog::PageSetupDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgCommonDialog"));
    setWindowTitle(QStringLiteral("Page Setup"));

    auto* printing = new QGroupBox(QStringLiteral("Printing"), this);
    auto* form = new QFormLayout(printing);

    m_printer = new QComboBox(printing);
    m_printer->setObjectName(QStringLiteral("cboPrinter"));
    m_printer->setMinimumWidth(260);
    const QString defaultPrinter = QPrinterInfo::defaultPrinterName();
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        m_printer->addItem(name == defaultPrinter ? QStringLiteral("%1 (default)").arg(name) : name, name);
    if (m_printer->count() == 0) {
        m_printer->addItem(QStringLiteral("(no printer installed)"), QString());
        m_printer->setEnabled(false);
    }
    QString chosen;
#ifdef TARVIK_HAVE_ENGINE
    chosen = engine::PrintSettings::printerName();
#endif
    const int at = m_printer->findData(chosen.isEmpty() ? defaultPrinter : chosen);
    m_printer->setCurrentIndex(std::max(0, at));
    form->addRow(QStringLiteral("&Printer:"), m_printer);

    m_paper = new QComboBox(printing);
    m_paper->setObjectName(QStringLiteral("cboPaper"));
    form->addRow(QStringLiteral("P&aper:"), m_paper);

    auto* turns = new QWidget(printing);
    auto* turnsLayout = new QHBoxLayout(turns);
    turnsLayout->setContentsMargins(0, 0, 0, 0);
    m_asLaidOut = new QRadioButton(QStringLiteral("As each report is &laid out"), turns);
    m_asLaidOut->setObjectName(QStringLiteral("optOrientationReport"));
    m_portrait = new QRadioButton(QStringLiteral("P&ortrait"), turns);
    m_portrait->setObjectName(QStringLiteral("optOrientationPortrait"));
    m_landscape = new QRadioButton(QStringLiteral("La&ndscape"), turns);
    m_landscape->setObjectName(QStringLiteral("optOrientationLandscape"));
    turnsLayout->addWidget(m_asLaidOut);
    turnsLayout->addWidget(m_portrait);
    turnsLayout->addWidget(m_landscape);
    turnsLayout->addStretch(1);
    form->addRow(QStringLiteral("Orientation:"), turns);
    m_asLaidOut->setChecked(true);

    m_copies = new QSpinBox(printing);
    m_copies->setObjectName(QStringLiteral("spnCopies"));
    m_copies->setRange(1, 99);
    form->addRow(QStringLiteral("&Copies:"), m_copies);

#ifdef TARVIK_HAVE_ENGINE
    if (const auto turn = engine::PrintSettings::orientation())
        (*turn == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);
    m_copies->setValue(engine::PrintSettings::copies());
#endif

    auto* exports = new QGroupBox(QStringLiteral("Exports"), this);
    auto* exportLayout = new QHBoxLayout(exports);
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"), exports);
    m_folder = new QLineEdit(exports);
    m_folder->setObjectName(QStringLiteral("txtExportFolder"));
    m_folder->setMinimumWidth(260);
    folderLabel->setBuddy(m_folder);
#ifdef TARVIK_HAVE_ENGINE
    m_folderShown = QDir::toNativeSeparators(engine::Report::defaultExportFolder());
#else
    m_folderShown = QDir::toNativeSeparators(savedExportFolder());
#endif
    m_folder->setText(m_folderShown);
    m_folder->setToolTip(QStringLiteral("Where the reports' spreadsheet files are written. Empty: the desktop "
                                        "folder where there is one, else the home folder."));
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), exports);
    browse->setObjectName(QStringLiteral("cmdBrowse"));
    browse->setAutoDefault(false);
    exportLayout->addWidget(folderLabel);
    exportLayout->addWidget(m_folder, 1);
    exportLayout->addWidget(browse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printing);
    layout->addWidget(exports);
    layout->addWidget(buttons);

    fillPapers();
    connect(m_printer, &QComboBox::currentIndexChanged, this, &PageSetupDialog::fillPapers);
    connect(browse, &QPushButton::clicked, this, &PageSetupDialog::browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &PageSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PageSetupDialog::reject);
}

void PageSetupDialog::fillPapers()
{
    // The papers the chosen printer takes; the choice made so far stays where it can.
    QPageSize current;
    if (m_paper->count() > 0)
        current = m_paper->currentData().value<QPageSize>();
#ifdef TARVIK_HAVE_ENGINE
    else
        current = engine::PrintSettings::paper();
#endif
    m_paper->clear();
    m_paper->addItem(QString::fromLatin1(kOwnPaper), QVariant::fromValue(QPageSize()));
    const QPrinterInfo printer = QPrinterInfo::printerInfo(m_printer->currentData().toString());
    QList<QPageSize> sizes = printer.isNull() ? QList<QPageSize>() : printer.supportedPageSizes();
    if (sizes.isEmpty())
        for (QPageSize::PageSizeId id : {QPageSize::Letter, QPageSize::Legal, QPageSize::A4, QPageSize::A3,
                                         QPageSize::A5, QPageSize::Executive, QPageSize::Tabloid})
            sizes << QPageSize(id);
    for (const QPageSize& size : sizes)
        m_paper->addItem(size.name(), QVariant::fromValue(size));
    int index = 0;
    if (current.isValid())
        for (int i = 1; i < m_paper->count(); ++i)
            if (m_paper->itemData(i).value<QPageSize>().isEquivalentTo(current))
                index = i;
    m_paper->setCurrentIndex(index);
}

void PageSetupDialog::browse()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Export Folder"), m_folder->text());
    if (!folder.isEmpty())
        m_folder->setText(QDir::toNativeSeparators(folder));
}

void PageSetupDialog::accept()
{
    const QString folder = m_folder->text().trimmed();
    if (!folder.isEmpty() && !QDir(folder).exists()) {
        QMessageBox box(QMessageBox::Warning, windowTitle(),
                        QStringLiteral("The folder \"%1\" does not exist. Choose an existing folder for the exports.")
                            .arg(folder),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("msgNoSuchFolder"));
        box.exec();
        m_folder->setFocus();
        return;
    }
#ifdef TARVIK_HAVE_ENGINE
    engine::PrintSettings::setPrinterName(m_printer->currentData().toString());
    engine::PrintSettings::setPaper(m_paper->currentData().value<QPageSize>());
    engine::PrintSettings::setOrientation(m_landscape->isChecked() ? std::optional(QPageLayout::Landscape)
                                          : m_portrait->isChecked() ? std::optional(QPageLayout::Portrait)
                                                                    : std::nullopt);
    engine::PrintSettings::setCopies(m_copies->value());
#endif
    // An unchanged folder is not made a setting of its own: the default may differ later.
    if (folder != m_folderShown)
        saveExportFolder(folder);
    QDialog::accept();
}

void runPageSetup(QWidget* parent)
{
    try {
        PageSetupDialog dialog(parent);
        dialog.exec();
    } catch (const std::exception& e) {
        // Page set-up never troubles the user with an error.
        qCWarning(lcPageSetup) << "page set-up failed:" << e.what();
    }
}

} // namespace tarvik::shell
