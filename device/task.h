#pragma once
// The device exchange and each transfer are coroutines of type Task. A Task starts suspended.
// `co_await task` runs it to its end and then goes on with the caller; Link::start() runs the
// outermost one. Destroying a suspended Task destroys its whole chain of frames, which is how
// EXIT ends a running exchange. Parameters of a Task function are taken by value: a reference
// to a temporary would die at the first suspension.
#include <coroutine>
#include <exception>
#include <string>
#include <utility>

namespace device {

// What an exception that ended an exchange says: ": " and its what(), or nothing for one that
// is no std::exception.
inline std::string errorDetail(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return std::string(": ") + e.what();
  } catch (...) {
  }
  return {};
}

class [[nodiscard]] Task {
 public:
  struct promise_type;
  using Handle = std::coroutine_handle<promise_type>;

  struct promise_type {
    std::coroutine_handle<> continuation = std::noop_coroutine();
    std::exception_ptr error;

    Task get_return_object() { return Task{Handle::from_promise(*this)}; }
    std::suspend_always initial_suspend() noexcept { return {}; }
    auto final_suspend() noexcept {
      struct Resumer {
        bool await_ready() noexcept { return false; }
        std::coroutine_handle<> await_suspend(Handle h) noexcept {
          return h.promise().continuation;
        }
        void await_resume() noexcept {}
      };
      return Resumer{};
    }
    void return_void() noexcept {}
    void unhandled_exception() noexcept { error = std::current_exception(); }
  };

  Task() = default;
  Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
  Task& operator=(Task&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, {});
    }
    return *this;
  }
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;
  ~Task() { reset(); }

  bool valid() const { return static_cast<bool>(handle_); }
  bool done() const { return !handle_ || handle_.done(); }
  // The exception that escaped the coroutine, if any.
  std::exception_ptr error() const { return handle_ ? handle_.promise().error : nullptr; }
  // Runs an outermost Task until its first wait.
  void start() { handle_.resume(); }
  void reset() {
    if (handle_) std::exchange(handle_, {}).destroy();
  }

  // Awaiting a Task runs it inside the caller.
  bool await_ready() const noexcept { return done(); }
  std::coroutine_handle<> await_suspend(std::coroutine_handle<> caller) noexcept {
    handle_.promise().continuation = caller;
    return handle_;
  }
  void await_resume() const {
    if (auto e = error()) std::rethrow_exception(e);
  }

 private:
  explicit Task(Handle handle) : handle_(handle) {}
  Handle handle_;
};

}  // namespace device
