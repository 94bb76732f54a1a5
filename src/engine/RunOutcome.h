#pragma once

#include <QString>

// How an analysis run ended, told to its window at the end.
enum class RunEnding {
    // Before the own shop page was asked for: the address was empty.
    BeforeFetch,
    // At a message, before the friend links were listed: the grid still
    // holds what an earlier run left in it.
    Message,
    // A row's page could not be fetched or rendered.
    NetworkFailure,
    // Stop was pressed while a row waited for the browser ("用户取消").
    Cancelled,
    // Stop was honoured after a row ("用户中止").
    Stopped,
    // Every row up to the first without an address was inspected.
    Finished,
    // An error of the program itself broke the run off after the friend
    // links were listed; its message names the problem.
    Failed,
};

struct RunOutcome {
    RunEnding ending = RunEnding::BeforeFetch;
    // The text of the message the run showed, if it showed one.
    QString message;

    // The grid holds this run's friend links (checked or not).
    bool listedFriendLinks() const {
        return ending != RunEnding::BeforeFetch && ending != RunEnding::Message;
    }
};
