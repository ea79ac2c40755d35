#pragma once
// ThreadX: one thread running a function with one data pointer. ThreadObjectX: a base class
// whose thread calls a virtual step until told to stop.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class ThreadX {
 public:
  using ThreadFunctionX = uint32_t (*)(void* data);

  ThreadX() = default;
  // Joins the thread.
  ~ThreadX();
  ThreadX(const ThreadX&) = delete;
  ThreadX& operator=(const ThreadX&) = delete;

  // Report when a thread exists (until Join) and then leave the field as it is.
  void SetThreadFunction(ThreadFunctionX function);
  void SetThreadData(void* data);
  // Stored only: this platform does not let an ordinary process raise thread priorities.
  void SetPriority(int32_t priority) { mPriority = priority; }
  // Stored only: threads use the platform's default stack.
  void SetStackSize(uint32_t stackSize) { mStackSize = stackSize; }

  // Starts the thread on the function. False when there is no function, a thread already exists
  // or the platform refused.
  bool Create();
  // Sets function and data and starts the thread; false when a thread exists already.
  bool Create(ThreadFunctionX function, void* data);

  // Suspends the calling thread, which must be this thread, until Resume. Returns at once when
  // already suspended.
  bool Suspend();
  // Wakes a suspended thread; does nothing when it is not suspended.
  bool Resume();
  // Resumes a suspended thread, waits for the function to return and releases the thread.
  void Join();

  bool IsRunning() const { return mThreadRunning.load(std::memory_order_acquire); }
  bool HasThread() const { return mThread.joinable(); }
  bool IsSuspended() const { return mSuspended.load(std::memory_order_acquire); }
  // Kernel id of the thread; 0 when there is none (or before it has started).
  uint32_t GetThreadId() const { return mThreadId.load(std::memory_order_acquire); }

 private:
  static void StaticInit(ThreadX* thread);

  ThreadFunctionX mThreadFunction = nullptr;
  void* mThreadData = nullptr;
  uint32_t mStackSize = 0;
  int32_t mPriority = 0;
  std::thread mThread;
  std::atomic<uint32_t> mThreadId{0};
  std::atomic<bool> mThreadRunning{false};
  std::atomic<bool> mSuspended{false};
  std::mutex mSuspendMutex;
  std::condition_variable mSuspendWake;
};

class ThreadObjectX {
 public:
  ThreadObjectX() = default;
  // Stops and joins the thread. A derived class must call Stop in its own destructor: the
  // thread calls the derived step, which must not run while the derived part is destroyed.
  virtual ~ThreadObjectX();
  ThreadObjectX(const ThreadObjectX&) = delete;
  ThreadObjectX& operator=(const ThreadObjectX&) = delete;

  // Starts the thread; it calls Step until Stop.
  bool Start();
  // Tells the thread to stop after its current step and waits for it.
  void Stop();
  bool IsStopping() const { return mStop.load(std::memory_order_acquire); }

 protected:
  // One step of the thread's work.
  virtual void Step() = 0;

 private:
  static uint32_t StaticInitObject(void* object);

  ThreadX mThread;
  std::atomic<bool> mStop{false};
};
