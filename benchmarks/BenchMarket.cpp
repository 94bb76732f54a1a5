// Serves the mixed test marketplace on 127.0.0.1 for the run-time and
// memory benchmarks, until it is terminated. Prints the proxy address on the
// first line of standard output; with --urls it first writes every page a
// complete run fetches directly (own page, shop pages, rating pages), one
// address a line, for curl. With --rendered-shops a redirect row leads to a
// rendered Layout A page; with --log every request is printed as it comes,
// one "GET http://host/path" a line.
//
//   BenchMarket [--rows N] [--delay MS] [--redirect-every K] [--rendered-shops]
//               [--log] [--urls FILE]

#include "MarketServer.h"
#include "MixedMarket.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

QStringList directPages(const mixedmarket::Options& options) {
    QStringList urls{QStringLiteral("http://") + mixedmarket::OwnAddress + u'/'};
    for (int row = 1; row <= options.rows; ++row) {
        if (options.redirectRows.contains(row))
            continue;
        urls << mixedmarket::shopAddress(row);
        if (mixedmarket::hasRatingPage(row))
            urls << QStringLiteral("http://") + mixedmarket::RatingHost +
                        mixedmarket::ratingPath(row);
    }
    return urls;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("Friend links."),
                                  QStringLiteral("N"), QStringLiteral("50"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Answer delay."),
                                   QStringLiteral("MS"), QStringLiteral("200"));
    const QCommandLineOption redirectEvery(QStringLiteral("redirect-every"),
                                           QStringLiteral("Every K-th row a redirect link."),
                                           QStringLiteral("K"), QStringLiteral("0"));
    const QCommandLineOption urls(QStringLiteral("urls"),
                                  QStringLiteral("Write the directly fetched pages here."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption renderedShops(
        QStringLiteral("rendered-shops"),
        QStringLiteral("Redirect rows lead to a rendered Layout A page."));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Print every request."));
    parser.addOptions({rows, delay, redirectEvery, renderedShops, log, urls});
    parser.process(app);

    mixedmarket::Options options;
    options.rows = parser.value(rows).toInt();
    options.delayMs = parser.value(delay).toInt();
    const int every = parser.value(redirectEvery).toInt();
    for (int row = every; every > 0 && row <= options.rows; row += every)
        options.redirectRows << row;

    MarketServer market;
    if (!market.listen())
        return 1;
    mixedmarket::serve(market, options);
    if (parser.isSet(renderedShops)) {
        for (int row : options.redirectRows)
            market.setPage(
                mixedmarket::shopHost(row), QStringLiteral("/"),
                mixedmarket::delayedPage(mixedmarket::renderedRedirectPage(), row, options));
    }
    if (parser.isSet(log)) {
        QObject::connect(&market, &MarketServer::requested, [](const QString& entry) {
            std::printf("%s\n", qPrintable(entry));
            std::fflush(stdout);
        });
    }
    if (parser.isSet(urls)) {
        QFile file(parser.value(urls));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(directPages(options).join(u'\n').toUtf8() + '\n');
    }
    std::printf("%s\n", qPrintable(market.proxyUrl()));
    std::fflush(stdout);
    return app.exec();
}
