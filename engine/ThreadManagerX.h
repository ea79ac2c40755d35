#pragma once
// ThreadManagerX: the process-wide job pool. One worker thread per hardware thread runs batches
// of independent jobs (a function pointer and one data pointer each). The thread that runs a
// batch takes jobs too, and the call returns when every job has finished. Idle workers sleep.
#include <atomic>
#include <cstdint>
#include <vector>

using JobFunctionX = uint32_t (*)(void* data);

struct Job {
  JobFunctionX mJobFunction = nullptr;
  void* mJobData = nullptr;

  bool IsValid() const { return mJobFunction != nullptr; }
  // Runs the function on the data; a job without function is reported and skipped (returns 0).
  uint32_t Execute() const;
};

// The job queue: first in, first out. Not locked by itself: the pool guards it.
class JobIssuerX {
 public:
  void AddJob(const Job& job);
  void AddJobs(JobFunctionX function, void* const* jobDatas, uint32_t count);
  // Takes the first job; false when the queue is empty.
  bool GetJob(Job& job);
  bool HasJobs() const { return mFirst < mJobs.size(); }
  uint32_t Size() const { return static_cast<uint32_t>(mJobs.size() - mFirst); }
  void Clear();

 private:
  std::vector<Job> mJobs;
  size_t mFirst = 0;  // jobs before it have been taken
};

class ThreadManagerX {
 public:
  virtual ~ThreadManagerX() = default;

  virtual uint32_t GetThreadCount() const = 0;
  virtual bool HasJobs() = 0;
  // count jobs on the data addresses first, first + stride, ... (stride in bytes); waits for all.
  virtual bool RunJobBatch(JobFunctionX jobFunction, void* jobDatas, uint32_t count,
                           uint32_t stride) = 0;
  // One job per data pointer; waits for all.
  virtual bool RunJobs(JobFunctionX jobFunction, void* const* jobDatas, uint32_t count) = 0;
  // Wakes the workers. Unless dontWait, the caller runs jobs too and returns when every queued
  // job has finished.
  virtual bool ExecuteJobs(bool dontWait) = 0;
  // Queues a job; it runs at the next ExecuteJobs.
  virtual void AddJob(JobFunctionX jobFunction, void* jobData) = 0;

  // Creates the pool with one worker per hardware thread and starts the workers.
  static void CreateSingleton();
  // The same with a given number of workers (measurements and tests).
  static void CreateSingleton(uint32_t threadCount);
  // Stops and joins the workers; jobs still queued do not run.
  static void DestroySingleton();
  static bool HasThreadManagerX() { return sThreadManagerX.load(std::memory_order_acquire); }

 protected:
  static std::atomic<ThreadManagerX*> sThreadManagerX;
  friend ThreadManagerX* GetThreadManagerX();
};

// The pool, or null before CreateSingleton.
inline ThreadManagerX* GetThreadManagerX() {
  return ThreadManagerX::sThreadManagerX.load(std::memory_order_acquire);
}
