#pragma once

#include <cstddef>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace reporting {

// An array that grows a fixed-size chunk at a time, for the reading of a record whose one line may hold
// hundreds of thousands of values. A vector grown by doubling moves every value it holds at some push: a
// step as long as the array, between two looks for a stop. Here a push moves at most a chunk's worth of
// values (and, once in a while, the chunks' own handles, a few hundred for the deepest record), and the
// values come together into one vector at the end a chunk at a time, with a look for a stop before each.
template <typename T, size_t ChunkSize = 4096>
class CRKChunkedArray {
public:
    static constexpr size_t kChunkSize = ChunkSize;

    void push_back(T value) {
        // The first chunk grows as a vector does, up to its full size: most arrays are short, and a chunk's
        // whole storage for each of them would cost more than their values. Every later one is made whole.
        if (chunks_.empty()) {
            chunks_.emplace_back();
        } else if (chunks_.back().size() == ChunkSize) {
            chunks_.emplace_back();
            chunks_.back().reserve(ChunkSize);
        }
        chunks_.back().push_back(std::move(value));
        size_++;
    }
    size_t size() const { return size_; }

    // The values in order as one vector. `proceed` is asked before each chunk after the first is moved
    // in; once it answers false the assembly ends and answers none. Each chunk is let go as soon as its
    // values have moved, so that they are not held twice over.
    std::optional<std::vector<T>> assemble(const std::function<bool()>& proceed) && {
        if (chunks_.size() <= 1) return chunks_.empty() ? std::vector<T>() : std::move(chunks_.front());
        std::vector<T> whole;
        whole.reserve(size_);
        for (size_t i = 0; i < chunks_.size(); i++) {
            if (i > 0 && proceed && !proceed()) return std::nullopt;
            std::move(chunks_[i].begin(), chunks_[i].end(), std::back_inserter(whole));
            std::vector<T>().swap(chunks_[i]);
        }
        return whole;
    }

private:
    std::vector<std::vector<T>> chunks_;
    size_t size_ = 0;
};

}  // namespace reporting
