#pragma once

#include <QString>
#include <chrono>

// Values that several parts of the program must agree on, defined once.

// A request that receives nothing for this long is given up: list pages, links, media and
// downloads alike.
inline constexpr std::chrono::milliseconds kTransferTimeout {30000};

// The captions of the search button `searchButton`, which are also the search command's state
namespace Captions {
using namespace Qt::StringLiterals;
inline const QString kSearch = u"搜索"_s;
inline const QString kStop = u"停止"_s;
} // namespace Captions

// What the status bar says while the program waits for a service out of reach, and when it is back
namespace WaitTexts {
using namespace Qt::StringLiterals;
inline const QString kWaiting = u"网络连接中断，正在等待恢复…"_s;
inline const QString kBack = u"网络已恢复"_s;
} // namespace WaitTexts
