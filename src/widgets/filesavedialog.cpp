#include "filesavedialog.h"

#include <QFileDialog>
#include <QFileInfo>

using namespace Qt::StringLiterals;

void FileSaveDialog::askSavePath(const QString &suggestedPath, Answer answer)
{
    const QFileInfo suggested(suggestedPath);
    // Owned by the parent until it closes
    auto *const dialog = new QFileDialog(&m_parent, u"保存下载的文件"_s, suggested.absolutePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->selectFile(suggested.fileName());
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, answer);
    QObject::connect(dialog, &QDialog::rejected, dialog, [answer] { answer(QString()); });
    dialog->open();
}
