#include "partfile.h"

#include "downloadfilename.h"

#include "common/logging.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

// The partial file is never followed through a link, and a pipe put in its place must not hold
// the window up while it waits for a reader
constexpr int kOpenFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
constexpr mode_t kNewFileMode = 0666; // less the umask

// The system's error in words the user reads; the system's own text for the rarer ones
QString systemError(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return u"磁盘已满"_s;
    case ELOOP:
        return u"那里是一个符号链接"_s;
    case EACCES:
    case EPERM:
        return u"没有权限"_s;
    case ENOENT:
        return u"文件夹不存在"_s;
    case EROFS:
        return u"文件系统是只读的"_s;
    default:
        return QString::fromStdString(std::generic_category().message(error));
    }
}

} // namespace

PartFile::PartFile(const QString &target) : m_target(target), m_path(partFilePath(target)) { }

bool PartFile::open()
{
    const QByteArray name = QFile::encodeName(m_path);
    int fd = ::open(name.constData(), kOpenFlags);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(name.constData(), kOpenFlags | O_CREAT | O_EXCL, kNewFileMode);
    if (fd < 0) {
        m_reason = u"无法创建文件：%1"_s.arg(systemError(errno));
        return false;
    }
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        m_reason = u"无法创建文件：那里不是普通文件"_s;
        return false;
    }
    m_device = info.st_dev;
    m_inode = info.st_ino;
    if (!m_file.open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_reason = u"无法创建文件：%1"_s.arg(m_file.errorString());
        return false;
    }
    return true;
}

bool PartFile::truncate(qint64 size)
{
    if (m_file.resize(size) && m_file.seek(size))
        return true;
    m_reason = u"写入文件失败：%1"_s.arg(m_file.errorString());
    return false;
}

bool PartFile::append(const QByteArray &data)
{
    const char *bytes = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(m_file.handle(), bytes, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_reason = u"写入文件失败：%1"_s.arg(systemError(written < 0 ? errno : ENOSPC));
            return false;
        }
        bytes += written;
        left -= written;
    }
    return true;
}

bool PartFile::stillOurs() const
{
    struct stat open { };
    struct stat named { };
    return m_file.isOpen() && ::fstat(m_file.handle(), &open) == 0
        && ::lstat(QFile::encodeName(m_path).constData(), &named) == 0 && S_ISREG(named.st_mode)
        && named.st_dev == open.st_dev && named.st_ino == open.st_ino && open.st_dev == m_device
        && open.st_ino == m_inode;
}

void PartFile::close(bool discard)
{
    // Only our own file goes
    const bool ours = stillOurs();
    m_file.close();
    if (discard && ours)
        QFile::remove(m_path);
}

bool PartFile::place()
{
    if (!stillOurs()) {
        m_reason = u"保存文件失败：临时文件已被换掉"_s;
        return false;
    }
    m_file.close();
    // QFile::rename() never replaces a file, and the user may have chosen to replace one: the
    // system's rename does, in one step, so the target is never missing or half-written.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_path).toStdString(),
                            QFile::encodeName(m_target).toStdString(), error);
    if (error) {
        m_reason = u"保存文件失败：%1"_s.arg(systemError(error.value()));
        return false;
    }
    return true;
}

qint64 PartFile::keptSize(const QString &target)
{
    const QFileInfo part(target.isEmpty() ? QString() : partFilePath(target));
    return part.isFile() && !part.isSymLink() ? part.size() : 0;
}

void PartFile::discard(const QString &target)
{
    const QString part = target.isEmpty() ? QString() : partFilePath(target);
    if (!part.isEmpty() && QFileInfo(part).isFile() && !QFile::remove(part))
        qCWarning(lcDownloads) << "Partial file not removed:" << part;
}
