#pragma once

#include "network/ui/tnetbrowse.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace dovex {

// "Connect Network Resource": the network tree, the path to connect (its
// list holds the recent paths), the free drive letters, user name and
// password. The fields below the path stay disabled until a share is
// chosen in the tree or a path is typed.
class TConnectDialog : public QDialog {
    Q_OBJECT
public:
    // The result of "Connect Path".
    static constexpr int ConnectPathResult = 4;

    explicit TConnectDialog(QWidget* parent = nullptr);

    // Before each showing: the recent paths, the proposed user name and
    // the free letters (upper case); the fields disabled, the box unchecked.
    void prepare(const QStringList& recentPaths, const QString& userName,
                 const QList<QChar>& freeLetters);
    // Whether "Connect Path" is offered.
    void setConnectPathOffered(bool offered);

    TNetBrowse* NetBrowse1() const { return m_tree; }
    QComboBox* ComboBox2() const { return m_path; }   // path
    QComboBox* ComboBox1() const { return m_drives; } // free letters
    QLineEdit* username() const { return m_user; }
    QLineEdit* PassWord() const { return m_password; }
    QCheckBox* ConnectAtLogon() const { return m_reconnect; }
    QPushButton* BitBtn1() const { return m_ok; }
    QPushButton* BitBtn2() const { return m_cancel; }
    QPushButton* BitBtn3() const { return m_connectPath; }
    QLabel* label(const QString& caption) const;

    QString path() const;
    // The chosen letter (upper case); null when the list is empty.
    QChar letter() const;
    bool fieldsEnabled() const { return m_fieldsOn; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void makeFields();
    void makeButtons();
    QLabel* makeLabel(const QString& caption, QWidget* buddy);
    QGridLayout* layoutFields();
    QVBoxLayout* layoutButtons();
    void wireSignals();
    void treeSelectionChanged();
    void setFields(bool on);
    void updateButtons();

    TNetBrowse* m_tree;
    QComboBox* m_path;
    QComboBox* m_drives;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QCheckBox* m_reconnect;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_connectPath;
    QList<QLabel*> m_labels;
    QList<QLabel*> m_fieldLabels;
    bool m_fieldsOn = false;
    bool m_filling = false;
};

} // namespace dovex
