#include "handle/file_in_progress.h"

namespace lumenmeta {

namespace {

thread_local const std::string* current = nullptr;

}  // namespace

FileInProgress::FileInProgress(const std::string& path) : outer_(current) { current = &path; }

FileInProgress::~FileInProgress() { current = outer_; }

const std::string& CurrentFile() {
    static const std::string none;
    return current ? *current : none;
}

}  // namespace lumenmeta
