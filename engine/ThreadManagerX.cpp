#include "engine/ThreadManagerX.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "engine/ReportHooksX.h"
#include "engine/SystemX.h"
#include "engine/ThreadX.h"
#include "foundation/StringX.h"

std::atomic<ThreadManagerX*> ThreadManagerX::sThreadManagerX{nullptr};

namespace {
// True while the calling thread runs a job: a batch issued from inside a job runs on the spot,
// since waiting for the pool would wait for the very job that issues it.
thread_local bool tInsideJob = false;
}  // namespace

uint32_t Job::Execute() const {
  KX_ASSERT(mJobFunction, "Job::Execute");
  return mJobFunction ? mJobFunction(mJobData) : 0;
}

void JobIssuerX::AddJob(const Job& job) {
  KX_ASSERT(job.IsValid(), "JobIssuerX::AddJob");
  mJobs.push_back(job);
}

void JobIssuerX::AddJobs(JobFunctionX function, void* const* jobDatas, uint32_t count) {
  mJobs.reserve(mJobs.size() + count);
  for (uint32_t i = 0; i < count; ++i) {
    const Job job{function, jobDatas[i]};
    KX_ASSERT(job.IsValid(), "JobIssuerX::AddJobs");
    mJobs.push_back(job);
  }
}

bool JobIssuerX::GetJob(Job& job) {
  if (mFirst >= mJobs.size()) return false;
  job = mJobs[mFirst++];
  if (mFirst == mJobs.size()) Clear();
  return true;
}

void JobIssuerX::Clear() {
  mJobs.clear();
  mFirst = 0;
}

namespace {

class ThreadManagerImplX : public ThreadManagerX {
 public:
  explicit ThreadManagerImplX(uint32_t threadCount);
  ~ThreadManagerImplX() override;

  void StartThreads();

  uint32_t GetThreadCount() const override { return static_cast<uint32_t>(mThreads.size()); }
  bool HasJobs() override;
  bool RunJobBatch(JobFunctionX jobFunction, void* jobDatas, uint32_t count,
                   uint32_t stride) override;
  bool RunJobs(JobFunctionX jobFunction, void* const* jobDatas, uint32_t count) override;
  bool ExecuteJobs(bool dontWait) override;
  void AddJob(JobFunctionX jobFunction, void* jobData) override;

 private:
  struct WorkerX {
    ThreadManagerImplX* pool = nullptr;
    ThreadX thread;
  };
  static uint32_t JobThreadLoop(void* worker);
  void WorkerLoop();
  // Runs queued jobs until the queue is empty or the pool stops; lock is held on entry and exit.
  void RunQueuedJobs(std::unique_lock<std::mutex>& lock);

  std::vector<std::unique_ptr<WorkerX>> mThreads;
  // Guards everything below. Workers sleep on mWake until the wake count moves (a wake is
  // never lost: a worker compares counts, it does not wait for a signal it might have missed);
  // issuers sleep on mDone until no job is queued or running.
  std::mutex mMutex;
  std::condition_variable mWake;
  std::condition_variable mDone;
  JobIssuerX mJobIssuer;
  uint64_t mWakeCount = 0;
  uint32_t mUnfinishedJobs = 0;  // queued or running
  bool mStopping = false;
};

ThreadManagerImplX::ThreadManagerImplX(uint32_t threadCount) {
  KX_ASSERT_MSG(threadCount, "ThreadManagerImplX::ThreadManagerImplX",
                "SystemX::GetHardwareThreadCount()");
  if (threadCount == 0) threadCount = 1;
  mThreads.reserve(threadCount);
  for (uint32_t i = 0; i < threadCount; ++i) {
    mThreads.push_back(std::make_unique<WorkerX>());
    mThreads.back()->pool = this;
  }
}

void ThreadManagerImplX::StartThreads() {
  LogMessage(
      (StringX("Creating ") + GetThreadCount() + " thread in ThreadManagerX").GetCharArray());
  for (std::unique_ptr<WorkerX>& worker : mThreads) {
    if (!worker->thread.Create(&ThreadManagerImplX::JobThreadLoop, worker.get()))
      ::AssertFailed(__FILE__, "ThreadManagerImplX::StartThreads", __LINE__, "thread.Create()");
  }
}

ThreadManagerImplX::~ThreadManagerImplX() {
  LogMessage("Destorying ThreadManager");
  ThreadManagerX* self = this;
  sThreadManagerX.compare_exchange_strong(self, nullptr);
  {
    std::lock_guard<std::mutex> guard(mMutex);
    mStopping = true;
    mUnfinishedJobs -= mJobIssuer.Size();  // queued jobs never run now
    mJobIssuer.Clear();
    ++mWakeCount;
  }
  mWake.notify_all();
  mDone.notify_all();
  for (std::unique_ptr<WorkerX>& worker : mThreads) worker->thread.Join();
  LogMessage("ThreadManager destroyed");
}

uint32_t ThreadManagerImplX::JobThreadLoop(void* worker) {
  KX_ASSERT(worker, "ThreadManagerImplX::JobThreadLoop");
  if (worker) static_cast<WorkerX*>(worker)->pool->WorkerLoop();
  return 0;
}

void ThreadManagerImplX::WorkerLoop() {
  std::unique_lock<std::mutex> lock(mMutex);
  // Starting from 0, a worker that starts late still answers every wake issued before.
  uint64_t seenWakeCount = 0;
  for (;;) {
    mWake.wait(lock, [&] { return mStopping || mWakeCount != seenWakeCount; });
    if (mStopping) return;
    seenWakeCount = mWakeCount;
    RunQueuedJobs(lock);
  }
}

void ThreadManagerImplX::RunQueuedJobs(std::unique_lock<std::mutex>& lock) {
  Job job;
  while (!mStopping && mJobIssuer.GetJob(job)) {
    lock.unlock();
    const bool outerJob = tInsideJob;
    tInsideJob = true;
    job.Execute();
    tInsideJob = outerJob;
    lock.lock();
    if (--mUnfinishedJobs == 0) mDone.notify_all();
  }
}

bool ThreadManagerImplX::HasJobs() {
  std::lock_guard<std::mutex> guard(mMutex);
  return mJobIssuer.HasJobs();
}

void ThreadManagerImplX::AddJob(JobFunctionX jobFunction, void* jobData) {
  std::lock_guard<std::mutex> guard(mMutex);
  mJobIssuer.AddJob(Job{jobFunction, jobData});
  ++mUnfinishedJobs;
}

bool ThreadManagerImplX::RunJobs(JobFunctionX jobFunction, void* const* jobDatas, uint32_t count) {
  if (count && !jobDatas) return false;
  if (tInsideJob) {
    for (uint32_t i = 0; i < count; ++i) Job{jobFunction, jobDatas[i]}.Execute();
    return true;
  }
  {
    std::lock_guard<std::mutex> guard(mMutex);
    mJobIssuer.AddJobs(jobFunction, jobDatas, count);
    mUnfinishedJobs += count;
  }
  return ExecuteJobs(false);
}

bool ThreadManagerImplX::RunJobBatch(JobFunctionX jobFunction, void* jobDatas, uint32_t count,
                                     uint32_t stride) {
  KX_ASSERT(count && jobDatas && jobFunction, "ThreadManagerImplX::RunJobBatch");
  // Without data or function there is nothing sound to run.
  if (!jobDatas || !jobFunction) return false;
  std::vector<void*> datas(count);
  for (uint32_t i = 0; i < count; ++i) datas[i] = static_cast<char*>(jobDatas) + size_t(i) * stride;
  return RunJobs(jobFunction, datas.data(), count);
}

bool ThreadManagerImplX::ExecuteJobs(bool dontWait) {
  std::unique_lock<std::mutex> lock(mMutex);
  ++mWakeCount;
  mWake.notify_all();
  if (dontWait) return true;
  RunQueuedJobs(lock);
  // Inside a job the pool cannot be waited for: the waiting job itself counts as unfinished.
  if (!tInsideJob) mDone.wait(lock, [this] { return mUnfinishedJobs == 0 || mStopping; });
  return true;
}

}  // namespace

void ThreadManagerX::CreateSingleton() { CreateSingleton(SystemX::GetHardwareThreadCount()); }

void ThreadManagerX::CreateSingleton(uint32_t threadCount) {
  KX_ASSERT(!sThreadManagerX, "ThreadManagerX::CreateSingleton");
  if (sThreadManagerX.load()) return;
  ThreadManagerImplX* pool = new ThreadManagerImplX(threadCount);
  sThreadManagerX.store(pool, std::memory_order_release);
  pool->StartThreads();
}

void ThreadManagerX::DestroySingleton() {
  delete sThreadManagerX.load(std::memory_order_acquire);
  KX_ASSERT(!sThreadManagerX, "ThreadManagerX::DestroySingleton");
}
