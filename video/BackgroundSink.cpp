#include "video/BackgroundSink.h"

BackgroundSink::BackgroundSink(std::unique_ptr<FrameSink> sink, std::size_t depth)
    : sink_(std::move(sink)), depth_(depth == 0 ? 1 : depth), worker_([this] { run(); }) {}

BackgroundSink::~BackgroundSink() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        dropping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void BackgroundSink::rethrowFailure() {
    if (failure_)
        std::rethrow_exception(failure_);
}

void BackgroundSink::write(std::span<const std::uint32_t> argb) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < depth_ || failure_; });
    rethrowFailure();
    std::vector<std::uint32_t> frame;
    if (!spare_.empty()) {
        frame = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    frame.assign(argb.begin(), argb.end());
    lock.lock();
    waiting_.push_back(std::move(frame));
    lock.unlock();
    changed_.notify_all();
}

void BackgroundSink::finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (waiting_.empty() && !busy_) || failure_; });
    rethrowFailure();
    lock.unlock();
    sink_->finish();
}

void BackgroundSink::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !waiting_.empty() || closing_; });
        if (dropping_ || (closing_ && waiting_.empty()))
            return;
        std::vector<std::uint32_t> frame = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            sink_->write(frame);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        busy_ = false;
        spare_.push_back(std::move(frame));
        if (failure) {
            failure_ = failure;
            waiting_.clear();
        }
        changed_.notify_all();
        if (failure_)
            return;
    }
}
