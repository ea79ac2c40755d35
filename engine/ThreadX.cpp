#include "engine/ThreadX.h"

#include <system_error>

#include "engine/ReportHooksX.h"
#include "engine/SystemX.h"

namespace {
// The ThreadX whose function the calling thread runs, if any.
thread_local ThreadX* tCurrentThreadX = nullptr;
}  // namespace

ThreadX::~ThreadX() {
  Join();
  mThreadFunction = nullptr;
  mThreadData = nullptr;
}

void ThreadX::SetThreadFunction(ThreadFunctionX function) {
  KX_ASSERT(!HasThread(), "ThreadX::SetThreadFunction");
  // The running thread reads the field: it is not changed under its feet.
  if (!HasThread()) mThreadFunction = function;
}

void ThreadX::SetThreadData(void* data) {
  KX_ASSERT(!HasThread(), "ThreadX::SetThreadData");
  if (!HasThread()) mThreadData = data;
}

void ThreadX::StaticInit(ThreadX* thread) {
  KX_ASSERT(thread, "ThreadX::StaticInit");
  if (!thread) return;
  tCurrentThreadX = thread;
  thread->mThreadId.store(SystemX::GetCurrentThreadId(), std::memory_order_release);
  KX_ASSERT(thread->mThreadFunction, "ThreadX::StaticInit");
  if (!thread->mThreadFunction) return;
  thread->mThreadRunning.store(true, std::memory_order_release);
  thread->mThreadFunction(thread->mThreadData);
  thread->mThreadRunning.store(false, std::memory_order_release);
}

bool ThreadX::Create() {
  if (!mThreadFunction || HasThread()) return false;
  KX_ASSERT(!mThreadRunning, "ThreadX::Create");
  mSuspended.store(false, std::memory_order_release);
  try {
    mThread = std::thread(&ThreadX::StaticInit, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

bool ThreadX::Create(ThreadFunctionX function, void* data) {
  if (HasThread()) return false;
  SetThreadFunction(function);
  SetThreadData(data);
  return Create();
}

bool ThreadX::Suspend() {
  if (IsSuspended()) return true;
  // Only a thread can put itself to sleep here; another thread's request is refused.
  const bool self = tCurrentThreadX == this;
  KX_ASSERT_MSG(self, "ThreadX::Suspend", "SuspendThread(mThread) != -1");
  if (!self) return true;
  std::unique_lock<std::mutex> guard(mSuspendMutex);
  mSuspended.store(true, std::memory_order_release);
  mSuspendWake.wait(guard, [this] { return !mSuspended.load(std::memory_order_acquire); });
  return true;
}

bool ThreadX::Resume() {
  if (!IsSuspended()) return true;
  KX_ASSERT(HasThread(), "ThreadX::Resume");
  {
    std::lock_guard<std::mutex> guard(mSuspendMutex);
    mSuspended.store(false, std::memory_order_release);
  }
  mSuspendWake.notify_all();
  return true;
}

void ThreadX::Join() {
  if (!HasThread()) return;
  if (IsSuspended()) Resume();
  const bool self = tCurrentThreadX == this;
  KX_ASSERT_MSG(!self, "ThreadX::Join", "WaitForSingleObject(mThread, INFINITE) != WAIT_FAILED");
  if (self) {
    mThread.detach();  // a thread cannot wait for itself
  } else {
    mThread.join();
  }
  mThreadId.store(0, std::memory_order_release);
}

ThreadObjectX::~ThreadObjectX() { Stop(); }

bool ThreadObjectX::Start() {
  mStop.store(false, std::memory_order_release);
  mThread.SetThreadFunction(&ThreadObjectX::StaticInitObject);
  mThread.SetThreadData(this);
  return mThread.Create();
}

void ThreadObjectX::Stop() {
  mStop.store(true, std::memory_order_release);
  mThread.Join();
}

uint32_t ThreadObjectX::StaticInitObject(void* object) {
  ThreadObjectX* thread = static_cast<ThreadObjectX*>(object);
  KX_ASSERT(thread, "ThreadObjectX::StaticInitObject");
  if (!thread) return 0;
  while (!thread->IsStopping()) thread->Step();
  return 0;
}
