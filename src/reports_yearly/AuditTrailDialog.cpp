#include "AuditTrailDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

namespace tarvik::yearly {

AuditTrailDialog::AuditTrailDialog(const Layout& layout, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(layout.formName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Audit Trail"));

    Label1 = new QLabel(layout.label, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dtpReportDate = runs::makeDatePicker(QStringLiteral("dtpReportDate"), layout.pickerFormat, this);
    dtpReportDate->setMinimumWidth(120);
    Label1->setBuddy(dtpReportDate);

    auto* boxColumn = new QVBoxLayout;
    boxColumn->setSpacing(8);
    boxes.resize(layout.rows->size());
    for (const auto& [index, name] : layout.boxNames) {
        auto* box = new QCheckBox(runs::boxCaptionOf(*layout.rows, index), this);
        box->setObjectName(QString::fromLatin1(name));
        box->setChecked(true);
        boxes.at(size_t(index)) = box;
        boxColumn->addWidget(box);
    }
    boxColumn->addStretch();

    cmdView = new QPushButton(QStringLiteral("&View"), this);
    cmdView->setObjectName(QStringLiteral("cmdView"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* button : {cmdView, cmdClose})
        button->setMinimumWidth(90);
    cmdView->setDefault(true);
    connect(cmdView, &QPushButton::clicked, this, &AuditTrailDialog::cmdView_Click);
    // Esc is the dialog's own cancel and closes it too.
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(Label1);
    dateRow->addWidget(dtpReportDate);
    dateRow->addStretch();

    sideColumn = new QVBoxLayout;
    auto* middle = new QHBoxLayout;
    middle->setSpacing(24);
    middle->addLayout(sideColumn);
    middle->addLayout(boxColumn);
    middle->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdView);
    buttons->addWidget(cmdClose);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(18, 14, 18, 14);
    column->setSpacing(14);
    column->addLayout(dateRow);
    column->addLayout(middle);
    column->addLayout(buttons);
    dtpReportDate->setFocus();
}

AuditTrailDialog::~AuditTrailDialog() = default;

std::vector<bool> AuditTrailDialog::tickedBoxes() const
{
    std::vector<bool> ticked;
    for (QCheckBox* box : boxes)
        ticked.push_back(box && box->isChecked());
    return ticked;
}

void AuditTrailDialog::cmdView_Click()
{
    try {
        runs::checkPicked(dtpReportDate);
    } catch (const std::exception& e) {
        runs::showRunError(this, QString::fromStdString(e.what()));
        return;
    }
    const BatchResult result = runTicked();
    if (!result.ok()) {
        // What was produced stays; the user can change the choices and press View again.
        runs::showRunError(this, result.error);
        return;
    }
    close();
}

} // namespace tarvik::yearly
