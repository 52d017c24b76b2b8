#pragma once

#include "core/em_SearchType.h"

#include <QtGlobal>

#include <functional>
#include <memory>

class QObject;

// The search page's workers on the global thread pool and their hand-back.
//
// Each tab numbers its searches; a worker whose search is no longer its tab's
// latest stops early, and its late result is dropped, so an older search never
// overwrites a newer one. The hand-back runs a function on the page's thread and
// waits until it ran, as a blocking queued call would; unlike one, the wait
// ends when the page cancels. Cancel then waits for every worker to return, so
// no worker outlives the page or the database it reads, and the page never
// waits on a worker that waits on the page.
class SearchWorkers
{
public:
    SearchWorkers();
    // Cancels and waits (see Cancel).
    ~SearchWorkers();

    SearchWorkers(const SearchWorkers&) = delete;
    SearchWorkers& operator=(const SearchWorkers&) = delete;

    // GUI thread: numbers a new search of the tab, which makes it the latest.
    quint64 Begin(em_SearchType kind);
    // Any thread.
    bool IsLatest(em_SearchType kind, quint64 sequence) const;
    bool IsCancelled() const;

    // Runs `work` on QThreadPool::globalInstance(); nothing once cancelled.
    void Start(std::function<void()> work);
    // Worker thread: runs `show` on `receiver`'s thread and waits until it has
    // run. False, without running it, when the workers are cancelled first.
    bool HandBack(QObject* receiver, std::function<void()> show);

    // GUI thread: no new work starts, waiting hand-backs give up, and the call
    // returns once every started worker has returned. A worker inside a query
    // returns when that query ends.
    void Cancel();

    // Workers started and not yet returned.
    int Running() const;

private:
    struct State;
    std::shared_ptr<State> state;
};
