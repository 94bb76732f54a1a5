#pragma once

#include "AnalysisWindow.h"
#include "ResultGrid.h"

#include <QList>
#include <QObject>
#include <optional>

// The window model without a window: the address box, the two buttons'
// enabled states, the stop flag and the results grid, kept across runs
// exactly as the main window keeps them. Message boxes are answered with OK
// at once and reported through messageShown().
class HeadlessWindow : public QObject, public AnalysisWindow {
    Q_OBJECT

public:
    struct Message {
        QString title;
        QString text;
    };

    // Sets up the grid's header row and column widths, as the window does
    // when it loads.
    explicit HeadlessWindow(QObject* parent = nullptr);

    QString addressText() const override { return address_; }
    void setAddressText(const QString& text) override { address_ = text; }
    void setAnalyzeEnabled(bool enabled) override { analyzeEnabled_ = enabled; }
    void setStopEnabled(bool enabled) override { stopEnabled_ = enabled; }
    ResultTable& resultGrid() override { return grid_; }
    QCoro::Task<> ShowMessage(QString text, QString title) override;
    void rowStarted(qint32 row) override { emit inspectingRow(row); }
    void runEnded(const RunOutcome& outcome) override {
        lastOutcome_ = outcome;
        emit analysisEnded(outcome);
    }

    bool analyzeEnabled() const { return analyzeEnabled_; }
    bool stopEnabled() const { return stopEnabled_; }
    const ResultGrid& grid() const { return grid_; }
    const QList<Message>& messages() const { return messages_; }
    // How the latest run ended; none before the first.
    const std::optional<RunOutcome>& lastOutcome() const { return lastOutcome_; }

    // The Stop button: sets the stop flag, and only while it is enabled.
    void pressStop();

signals:
    void messageShown(const QString& title, const QString& text);
    void inspectingRow(qint32 row);
    void analysisEnded(const RunOutcome& outcome);

private:
    QString address_;
    bool analyzeEnabled_ = true;
    bool stopEnabled_ = false;
    ResultGrid grid_;
    QList<Message> messages_;
    std::optional<RunOutcome> lastOutcome_;
};
