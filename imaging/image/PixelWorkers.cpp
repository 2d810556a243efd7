#include "PixelWorkers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace PixelWorkers {

namespace {

// One pass. Workers that wake late keep it alive through their reference
// but find no piece left, so they never touch the caller's buffers.
struct Job {
    size_t count = 0;
    size_t sliceSize = 1;
    const std::function<void(size_t, size_t)>* slice = nullptr;
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    size_t pieces = 0;
    std::mutex mutex;
    std::condition_variable finished;

    // Takes pieces until none is left.
    void Work()
    {
        for (;;) {
            const size_t piece = next.fetch_add(1);
            if (piece >= pieces)
                return;
            const size_t begin = piece * sliceSize;
            (*slice)(begin, std::min(count, begin + sliceSize));
            if (done.fetch_add(1) + 1 == pieces) {
                std::lock_guard<std::mutex> lock(mutex);
                finished.notify_all();
            }
        }
    }
};

class Pool {
public:
    static Pool& Instance()
    {
        // Never destroyed: workers may still sleep in it while the process ends.
        static Pool* pool = new Pool;
        return *pool;
    }

    void Post(const std::shared_ptr<Job>& job)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_job = job;
            ++m_generation;
        }
        m_wake.notify_all();
    }

    size_t Workers() const { return m_workers; }

private:
    Pool()
    {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 1; i < cores; ++i) {
            try {
                std::thread(&Pool::Serve, this).detach();
                ++m_workers;
            } catch (const std::system_error&) {
                break;
            }
        }
    }

    void Serve()
    {
        unsigned long seen = 0;
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [&] { return m_generation != seen; });
                seen = m_generation;
                job = m_job;
            }
            if (job)
                job->Work();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::shared_ptr<Job> m_job;
    unsigned long m_generation = 0;
    size_t m_workers = 0;
};

}  // namespace

void Run(size_t count, size_t sliceSize, const std::function<void(size_t, size_t)>& slice)
{
    sliceSize = std::max<size_t>(1, sliceSize);
    const size_t pieces = (count + sliceSize - 1) / sliceSize;
    if (pieces <= 1) {
        if (count)
            slice(0, count);
        return;
    }
    Pool& pool = Pool::Instance();
    auto job = std::make_shared<Job>();
    job->count = count;
    job->sliceSize = sliceSize;
    job->slice = &slice;
    job->pieces = pieces;
    if (pool.Workers())
        pool.Post(job);
    job->Work();
    std::unique_lock<std::mutex> lock(job->mutex);
    job->finished.wait(lock, [&] { return job->done.load() == pieces; });
}

}  // namespace PixelWorkers
