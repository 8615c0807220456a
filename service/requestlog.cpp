#include "requestlog.h"

RequestLog::RequestLog(const QString &path) : m_file(path)
{
    if (!path.isEmpty())
        m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

void RequestLog::append(const std::string &target, const std::string &method,
                        const std::string &range)
{
    if (!m_file.isOpen())
        return;
    std::string line = target;
    if (method != "GET")
        line += '\t' + method;
    if (!range.empty())
        line += "\tRange: " + range;
    line += '\n';
    const std::lock_guard lock(m_mutex);
    m_file.write(line.data(), qint64(line.size()));
}
