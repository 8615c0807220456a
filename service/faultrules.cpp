#include "faultrules.h"

#include <QJsonValue>
#include <algorithm>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kListAct = QByteArrayLiteral("getmusiclist");
constexpr int kDefaultDripMs = 2000;

int nonNegativeNumber(const QString &text, const QString &what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        throw std::runtime_error(u"%1: not a number: \"%2\""_s.arg(what, text).toStdString());
    return value;
}

FaultRules::Rule pageRule(const QString &pageText)
{
    FaultRules::Rule rule;
    rule.act = kListAct;
    rule.page = nonNegativeNumber(pageText, u"page"_s);
    return rule;
}

std::pair<QString, QString> splitPair(const QString &value)
{
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0)
        throw std::runtime_error(u"expected PAGE:VALUE, got \"%1\""_s.arg(value).toStdString());
    return {value.left(colon), value.mid(colon + 1)};
}

QString errorPage(int status)
{
    // No "]" anywhere, so the client reads it as a page without a list.
    return u"<html><head><title>%1 错误</title></head><body><h1>服务器出错（%1）</h1>"
           "<p>页面暂时无法显示，请稍后再试。</p></body></html>"_s.arg(status);
}

} // namespace

bool FaultRules::Rule::matches(const Request &request) const
{
    return (!act || *act == request.act) && (!page || page == request.page)
        && (!id || *id == request.id) && (!keyword || keyword == request.keyword);
}

FaultRules::Plan FaultRules::planFor(const Request &request) const
{
    Plan plan;
    for (const Rule &rule : m_rules) {
        if (!rule.matches(request))
            continue;
        const Plan &effect = rule.effect;
        plan.delayMs += effect.delayMs;
        plan.hang = plan.hang || effect.hang;
        plan.cut = plan.cut || effect.cut;
        plan.endless = plan.endless || effect.endless;
        plan.dripMs = std::max(plan.dripMs, effect.dripMs);
        if (effect.cutAfterBytes)
            plan.cutAfterBytes = effect.cutAfterBytes;
        if (effect.bytesPerSecond > 0
            && (plan.bytesPerSecond == 0 || effect.bytesPerSecond < plan.bytesPerSecond))
            plan.bytesPerSecond = effect.bytesPerSecond;
        if (effect.status)
            plan.status = effect.status;
        if (effect.body) {
            plan.body = effect.body;
            plan.contentType = effect.contentType;
        }
    }
    return plan;
}

FaultRules::Rule FaultRules::Rule::fromJson(const QJsonObject &object)
{
    const auto text = [&object](const QString &key) -> std::optional<QString> {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (value.isDouble())
            return QString::number(value.toInteger());
        if (!value.isString())
            throw std::runtime_error(u"override: \"%1\" must be text"_s.arg(key).toStdString());
        return value.toString();
    };
    const auto number = [&object](const QString &key) -> std::optional<int> {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isDouble())
            throw std::runtime_error(u"override: \"%1\" must be a number"_s.arg(key).toStdString());
        return value.toInt();
    };

    Rule rule;
    if (const auto act = text(u"act"_s))
        rule.act = act->toUtf8();
    rule.page = number(u"page"_s);
    rule.id = text(u"id"_s);
    rule.keyword = text(u"keyword"_s);

    Plan &effect = rule.effect;
    effect.status = number(u"status"_s);
    if (effect.status && (*effect.status < 100 || *effect.status > 599))
        throw std::runtime_error("override: status out of range");
    if (const auto body = text(u"body"_s))
        effect.body = body->toUtf8();
    if (const auto encoded = text(u"bodyBase64"_s)) {
        const auto decoded = QByteArray::fromBase64Encoding(encoded->toLatin1());
        if (!decoded)
            throw std::runtime_error("override: bodyBase64 is not Base64");
        effect.body = *decoded;
    }
    effect.contentType = text(u"contentType"_s).value_or(u"text/html; charset=utf-8"_s).toUtf8();
    effect.delayMs = number(u"delayMs"_s).value_or(0);
    effect.hang = object.value(u"hang"_s).toBool();
    effect.cut = object.value(u"cut"_s).toBool();
    effect.endless = object.value(u"endless"_s).toBool();
    effect.dripMs = number(u"dripMs"_s).value_or(0);
    if (const auto bytes = number(u"cutAfterBytes"_s)) {
        if (*bytes < 0)
            throw std::runtime_error("override: cutAfterBytes must not be negative");
        effect.cutAfterBytes = *bytes;
    }
    return rule;
}

FaultRules::Rule FaultRules::delayedPage(const QString &value)
{
    const auto [page, milliseconds] = splitPair(value);
    Rule rule = pageRule(page);
    rule.effect.delayMs = nonNegativeNumber(milliseconds, u"delay"_s);
    return rule;
}

FaultRules::Rule FaultRules::hangingPage(const QString &value)
{
    Rule rule = pageRule(value);
    rule.effect.hang = true;
    return rule;
}

FaultRules::Rule FaultRules::cutPage(const QString &value)
{
    Rule rule = pageRule(value);
    rule.effect.cut = true;
    return rule;
}

FaultRules::Rule FaultRules::statusPage(const QString &value)
{
    const auto [page, code] = splitPair(value);
    Rule rule = pageRule(page);
    const int status = nonNegativeNumber(code, u"status"_s);
    if (status < 100 || status > 599)
        throw std::runtime_error("status out of range");
    rule.effect.status = status;
    rule.effect.body = errorPage(status).toUtf8();
    rule.effect.contentType = QByteArrayLiteral("text/html; charset=utf-8");
    return rule;
}

FaultRules::Rule FaultRules::emptyPage(const QString &value)
{
    Rule rule = pageRule(value);
    rule.effect.body = QByteArray();
    rule.effect.contentType = QByteArrayLiteral("text/html; charset=utf-8");
    return rule;
}

FaultRules::Rule FaultRules::endlessPage(const QString &value)
{
    Rule rule = pageRule(value);
    rule.effect.endless = true;
    return rule;
}

FaultRules::Rule FaultRules::drippingPage(const QString &value)
{
    const bool timed = value.contains(u':');
    const auto [page, milliseconds] = timed ? splitPair(value) : std::pair {value, QString()};
    Rule rule = pageRule(page);
    rule.effect.dripMs = timed ? nonNegativeNumber(milliseconds, u"drip"_s) : kDefaultDripMs;
    if (rule.effect.dripMs == 0)
        throw std::runtime_error("drip interval must be above 0");
    return rule;
}

FaultRules::Rule FaultRules::cutMedia(const QString &value)
{
    Rule rule;
    rule.act = QByteArrayLiteral("media");
    rule.effect.cutAfterBytes = nonNegativeNumber(value, u"bytes"_s);
    return rule;
}

FaultRules::Rule FaultRules::pacedMedia(const QString &value)
{
    Rule rule;
    rule.act = QByteArrayLiteral("media");
    rule.effect.bytesPerSecond = nonNegativeNumber(value, u"bytes per second"_s);
    if (rule.effect.bytesPerSecond == 0)
        throw std::runtime_error("the pace must be above 0 bytes per second");
    return rule;
}
