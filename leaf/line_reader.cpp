#include "leaf/line_reader.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>

namespace ambrine {
namespace {
constexpr std::size_t kBlockSize = 256 * 1024;
}

LineReader::LineReader(int fd) : fd_(fd), storage_(kBlockSize) {
  begin_ = end_ = storage_.data();
}

LineReader::LineReader(std::string_view data)
    : begin_(data.data()), end_(data.data() + data.size()), atEnd_(true) {}

Result LineReader::Fill(bool& haveData) {
  haveData = begin_ < end_;
  if (haveData || atEnd_ || fd_ < 0) return kOk;
  if (beforeBlock_) {
    if (Result s = beforeBlock_(); Failed(s)) return s;
  }
  for (;;) {
    ssize_t n = ::read(fd_, storage_.data(), storage_.size());
    if (n > 0) {
      begin_ = storage_.data();
      end_ = begin_ + n;
      haveData = true;
      return kOk;
    }
    if (n == 0 || errno == EPIPE) {
      atEnd_ = true;
      return kOk;
    }
    if (errno != EINTR) return LastErrorResult();
  }
}

Result LineReader::ReadLine(std::string& line, std::size_t* consumed,
                            std::size_t limit, bool* complete) {
  line.clear();
  std::size_t count = 0;
  if (complete != nullptr) *complete = true;
  bool haveData = false;
  Result status = kOk;
  if (swallowNext_) {
    status = Fill(haveData);
    if (Failed(status)) return status;
    if (haveData) ++begin_;
    swallowNext_ = false;
  }
  for (;;) {
    status = Fill(haveData);
    if (Failed(status) || !haveData) break;
    const std::size_t avail = static_cast<std::size_t>(end_ - begin_);
    const char* lf = static_cast<const char*>(std::memchr(begin_, '\n', avail));
    const std::size_t scan = lf != nullptr ? static_cast<std::size_t>(lf - begin_) : avail;
    const char* cr = static_cast<const char*>(std::memchr(begin_, '\r', scan));
    const char* stop = cr != nullptr ? cr : lf;
    std::size_t take = stop != nullptr ? static_cast<std::size_t>(stop - begin_) : avail;
    const std::size_t room = limit - line.size();
    if (take > room) {
      // The line goes on beyond the limit: give what fits.
      line.append(begin_, room);
      begin_ += room;
      count += room;
      if (complete != nullptr) *complete = false;
      if (consumed != nullptr) *consumed = count;
      return kOk;
    }
    line.append(begin_, take);
    begin_ += take;
    count += take;
    if (stop == nullptr) continue;  // the block ended inside the line
    ++begin_;
    ++count;
    if (*stop == '\r') {
      // The byte after a CR is dropped whatever it is (CR LF is one end).
      bool more = false;
      status = Fill(more);
      if (Failed(status)) {
        swallowNext_ = true;
      } else if (more) {
        ++begin_;
        ++count;
      }
    }
    break;
  }
  if (consumed != nullptr) *consumed = count;
  return Failed(status) ? status : kOk;
}

}  // namespace ambrine
