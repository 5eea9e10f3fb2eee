#pragma once

#include <string>
#include <vector>

// A mutable argument vector built from strings, with the program name in front and the
// terminating null pointer that main receives.
class Args {
 public:
  explicit Args(std::vector<std::string> args) : storage_(std::move(args)) {
    storage_.insert(storage_.begin(), "vardilo");
    for (auto& s : storage_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(storage_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> storage_;
  std::vector<char*> pointers_;
};
