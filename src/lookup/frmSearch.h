#pragma once

// The pick-from-a-list dialog: the caller gives a title, a command text with the placeholder
// "##" and a starting search text, shows it modal, and reads back whether a row was picked and
// the picked row's code (its second field) and description (its first). The list follows every
// change typed into the search box.

#include "ShadowTitle.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tarvik::lookup {

class GridModel;

class frmSearch : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString SearchCaption READ searchCaption WRITE setSearchCaption)
    Q_PROPERTY(QString Query READ query WRITE setQuery)
    Q_PROPERTY(QString Criteria READ criteria WRITE setCriteria)
    Q_PROPERTY(bool DisableSearch READ disableSearch WRITE setDisableSearch)
    Q_PROPERTY(bool Valid READ valid)
    Q_PROPERTY(QString ResultCode READ resultCode)
    Q_PROPERTY(QString Revenue READ revenue)

public:
    // Widths of the grid's selector column and first two fields, in twips.
    static constexpr int kSelectorTwips = 200;
    static constexpr int kFirstFieldTwips = 4150;
    static constexpr int kSecondFieldTwips = 2000;

    explicit frmSearch(QWidget* parent = nullptr);
    ~frmSearch() override;

    QString searchCaption() const { return m_searchCaption; }
    void setSearchCaption(const QString& caption);
    QString query() const { return m_query; }
    void setQuery(const QString& query) { m_query = query; }
    QString criteria() const { return m_criteria; }
    void setCriteria(const QString& criteria);
    bool disableSearch() const { return m_disableSearch; }
    void setDisableSearch(bool disable) { m_disableSearch = disable; }

    bool valid() const { return m_valid; }
    QString resultCode() const { return m_resultCode; }
    QString revenue() const { return m_revenue; }

    // The command text a search runs: each "##" of the query replaced by the search text with
    // its quotes doubled, so that what was typed stays inside the query's quoted literal.
    static QString searchCommand(const QString& query, const QString& criteria);

    ShadowTitle title;
    QLabel* lblHospital = nullptr;
    QLineEdit* txtSearchStr = nullptr;
    QCheckBox* chkAutoSearch = nullptr;
    QGroupBox* fraRecords = nullptr;
    QTableView* grdDispWindow = nullptr;
    QLabel* lblHelpTip = nullptr;
    QPushButton* cmdSelect = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void reject() override; // Cancel and Esc

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Activate();
    // Runs the query for the criteria and shows its rows; a failure is shown in a message box
    // and leaves an empty list.
    void LoadResults();
    void txtSearchStr_Edited(const QString& text);
    void grdDispWindow_RowChanged(int row);
    // Makes the top row in view the current one (the first data row when none is in view).
    void selectTopVisibleRow();
    void cmdSelect_Click();
    void applyColumnWidths();

    GridModel* m_model = nullptr;
    QString m_searchCaption;
    QString m_query;
    QString m_criteria;
    bool m_disableSearch = false;
    bool m_valid = false;
    QString m_resultCode;
    QString m_revenue;
    bool m_loaded = false;
    bool m_quiet = false; // the current row is being set by the dialog, not moved by the user
    bool m_selectOnRelease = false; // the search box got the focus from a click
};

} // namespace tarvik::lookup
