// Threads shared by the pixel passes of large frames. A pass is cut into
// slices that whoever runs takes next: the calling thread takes slices too,
// so a worker the scheduler keeps waiting never holds the pass up.
#pragma once

#include <cstddef>
#include <functional>

namespace PixelWorkers {

// Calls slice(begin, end) over [0, count) in pieces of sliceSize (the last
// may be shorter), on the calling thread and up to one worker per other
// core; returns when every piece is done.
void Run(size_t count, size_t sliceSize, const std::function<void(size_t, size_t)>& slice);

}  // namespace PixelWorkers
