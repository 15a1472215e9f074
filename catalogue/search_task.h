#pragma once
// A coroutine that hands its value to the coroutine awaiting it. A satellite's pass search is
// one, so that a worker can keep many satellites' searches open at once and give all their
// pending propagations to the batch propagator together (catalogue/pass_lockstep.h).
#include <coroutine>
#include <exception>
#include <utility>

namespace orvanta {

template <class T>
class SearchTask {
public:
    struct promise_type;
    using Handle = std::coroutine_handle<promise_type>;

    struct promise_type {
        T value{};
        std::coroutine_handle<> continuation;  // the awaiting coroutine; null at the top
        std::exception_ptr error;

        SearchTask get_return_object() { return SearchTask(Handle::from_promise(*this)); }
        std::suspend_always initial_suspend() noexcept { return {}; }
        auto final_suspend() noexcept {
            struct Return {
                bool await_ready() noexcept { return false; }
                std::coroutine_handle<> await_suspend(Handle h) noexcept {
                    const std::coroutine_handle<> next = h.promise().continuation;
                    return next ? next : std::noop_coroutine();
                }
                void await_resume() noexcept {}
            };
            return Return{};
        }
        void return_value(T v) { value = std::move(v); }
        void unhandled_exception() { error = std::current_exception(); }
    };

    SearchTask(SearchTask&& other) noexcept : h_(std::exchange(other.h_, {})) {}
    SearchTask(const SearchTask&) = delete;
    SearchTask& operator=(const SearchTask&) = delete;
    SearchTask& operator=(SearchTask&&) = delete;
    // Destroying a suspended task destroys the tasks it awaits with it.
    ~SearchTask() {
        if (h_) h_.destroy();
    }

    // Awaited from another task: runs until it returns or waits, then resumes the awaiter.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        h_.promise().continuation = awaiting;
        return h_;
    }
    T await_resume() { return Result(); }

    // Driven from outside: runs until it returns or first waits.
    void Start() { h_.resume(); }
    bool Done() const { return h_.done(); }
    // Once Done(); rethrows what the task threw.
    T Result() {
        if (h_.promise().error) std::rethrow_exception(h_.promise().error);
        return std::move(h_.promise().value);
    }

private:
    explicit SearchTask(Handle h) : h_(h) {}
    Handle h_;
};

}  // namespace orvanta
