#include "faultrules.h"

#include <QJsonValue>
#include <stdexcept>

namespace {

const QByteArray kListAct = QByteArrayLiteral("getmusiclist");

int nonNegativeNumber(const QString &text, const QString &what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        throw std::runtime_error(
            QStringLiteral("%1: not a number: \"%2\"").arg(what, text).toStdString());
    return value;
}

FaultRules::Rule pageRule(const QString &pageText)
{
    FaultRules::Rule rule;
    rule.act = kListAct;
    rule.page = nonNegativeNumber(pageText, QStringLiteral("page"));
    return rule;
}

std::pair<QString, QString> splitPair(const QString &value)
{
    const qsizetype colon = value.indexOf(QLatin1Char(':'));
    if (colon < 0)
        throw std::runtime_error(
            QStringLiteral("expected PAGE:VALUE, got \"%1\"").arg(value).toStdString());
    return {value.left(colon), value.mid(colon + 1)};
}

QString errorPage(int status)
{
    // No "]" anywhere, so the client reads it as a page without a list.
    return QStringLiteral("<html><head><title>%1 错误</title></head><body><h1>服务器出错（%1）</h1>"
                          "<p>页面暂时无法显示，请稍后再试。</p></body></html>")
        .arg(status);
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
            throw std::runtime_error(
                QStringLiteral("override: \"%1\" must be text").arg(key).toStdString());
        return value.toString();
    };
    const auto number = [&object](const QString &key) -> std::optional<int> {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isDouble())
            throw std::runtime_error(
                QStringLiteral("override: \"%1\" must be a number").arg(key).toStdString());
        return value.toInt();
    };

    Rule rule;
    if (const auto act = text(QStringLiteral("act")))
        rule.act = act->toUtf8();
    rule.page = number(QStringLiteral("page"));
    rule.id = text(QStringLiteral("id"));
    rule.keyword = text(QStringLiteral("keyword"));

    Plan &effect = rule.effect;
    effect.status = number(QStringLiteral("status"));
    if (effect.status && (*effect.status < 100 || *effect.status > 599))
        throw std::runtime_error("override: status out of range");
    if (const auto body = text(QStringLiteral("body")))
        effect.body = body->toUtf8();
    if (const auto encoded = text(QStringLiteral("bodyBase64"))) {
        const auto decoded = QByteArray::fromBase64Encoding(encoded->toLatin1());
        if (!decoded)
            throw std::runtime_error("override: bodyBase64 is not Base64");
        effect.body = *decoded;
    }
    effect.contentType = text(QStringLiteral("contentType"))
                             .value_or(QStringLiteral("text/html; charset=utf-8"))
                             .toUtf8();
    effect.delayMs = number(QStringLiteral("delayMs")).value_or(0);
    effect.hang = object.value(QStringLiteral("hang")).toBool();
    effect.cut = object.value(QStringLiteral("cut")).toBool();
    return rule;
}

FaultRules::Rule FaultRules::delayedPage(const QString &value)
{
    const auto [page, milliseconds] = splitPair(value);
    Rule rule = pageRule(page);
    rule.effect.delayMs = nonNegativeNumber(milliseconds, QStringLiteral("delay"));
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
    const int status = nonNegativeNumber(code, QStringLiteral("status"));
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
