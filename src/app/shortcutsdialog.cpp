#include "shortcutsdialog.h"

#include <QAction>
#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>

using namespace Qt::StringLiterals;

ShortcutsDialog::ShortcutsDialog(QWidget &window) : QDialog(&window), m_window(window)
{
    setObjectName(u"ShortcutsDialog"_s);
    setWindowTitle(u"键盘快捷键"_s);
    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(u"shortcutsTable"_s);
    m_table->setAccessibleName(u"键盘快捷键"_s);
    m_table->setHorizontalHeaderLabels({u"操作"_s, u"快捷键"_s});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto *const buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *const layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(360, 320);
}

void ShortcutsDialog::list()
{
    m_table->setRowCount(0);
    for (const QAction *action : m_window.findChildren<QAction *>()) {
        if (action->shortcut().isEmpty())
            continue;
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        // What the menu shows, without its mnemonic marks
        QString name = action->text();
        name.remove(u'&');
        m_table->setItem(row, 0, new QTableWidgetItem(name));
        m_table->setItem(
            row, 1, new QTableWidgetItem(action->shortcut().toString(QKeySequence::NativeText)));
    }
    m_table->resizeColumnToContents(0);
}

void ShortcutsDialog::bringUp()
{
    list();
    open();
}
