#include "RowProblem.h"

#include "RunTexts.h"
#include "ShopPage.h"

namespace {

// "why" followed by the service's own words, when it has any.
QString noteWith(const QString& why, const QString& detail) {
    return detail.isEmpty() ? why : why + QStringLiteral("：") + detail;
}

} // namespace

RowProblemMark rowProblemMark(const PageResult& page) {
    switch (page.problem) {
    case PageProblem::Refused:
        return {runtext::AccessDenied, noteWith(QStringLiteral("网站拒绝了访问"), page.detail)};
    case PageProblem::NotWebAddress:
        return {runtext::InvalidAddress, noteWith(QStringLiteral("不是网页地址"), page.detail)};
    case PageProblem::LocalAddress:
        return {runtext::InvalidAddress,
                noteWith(QStringLiteral("指向本机或局域网，不会访问"), page.detail)};
    case PageProblem::BadCertificate:
        return {runtext::InvalidCertificate,
                noteWith(QStringLiteral("网站的证书无法验证"), page.detail)};
    case PageProblem::None:
    case PageProblem::NoAnswer:
        break;
    }
    return {runtext::NetworkBroken, page.detail};
}

RowProblemMark unreadableMark(const QString& page) {
    return {runtext::Unreadable, shoppage::unreadableReason(page)};
}
