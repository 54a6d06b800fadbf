#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace tarvik::shell {

// The frame's Page Setup: the printer (the print queues of the system), its paper and the
// orientation that every direct print of this session uses, the copies, and the folder that
// exports go to (kept for later sessions). Until a paper or an orientation is chosen, each
// report prints on its own page as it is laid out. Cancelling changes nothing; it reports no
// error.
class PageSetupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PageSetupDialog(QWidget* parent = nullptr);

    QComboBox* printerBox() const { return m_printer; }
    QComboBox* paperBox() const { return m_paper; }
    QLineEdit* exportFolderEdit() const { return m_folder; }

    void accept() override;

private:
    void fillPapers();
    void browse();

    QComboBox* m_printer = nullptr;
    QComboBox* m_paper = nullptr;
    QRadioButton* m_asLaidOut = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
    QSpinBox* m_copies = nullptr;
    QLineEdit* m_folder = nullptr;
    QString m_folderShown;
};

void runPageSetup(QWidget* parent);

} // namespace tarvik::shell
