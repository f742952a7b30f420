#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tivka {

// What became of an operation that can fail: success, or the failure as a
// value whose parts stay apart (what kind of failure, the file or address it
// concerns, and the system's or a decoder's own words for why). Nothing takes
// a failure's text apart again: a front end words it from the parts.
class Status {
public:
    enum class Code {
        Ok,
        NotFound,  // nothing at the path
        NotAFile,  // something is there that is not a regular file: a folder, a pipe, a link not followed
        Exists,    // the name is taken
        Busy,      // held by another process
        IoError,   // the system refused or failed the call
        BadData,   // the content is not what it must be
        Invalid,   // an argument or a setting that cannot be used
    };

    Status() = default;
    Status(Code code, std::string subject, std::string detail)
        : code_(code), subject_(std::move(subject)), detail_(std::move(detail))
    {
    }

    bool ok() const { return code_ == Code::Ok; }
    Code code() const { return code_; }
    // The file or address concerned.
    const std::string& subject() const { return subject_; }
    // Why, in the system's (or the decoder's) words.
    const std::string& detail() const { return detail_; }
    // "<subject>: <detail>" (either alone when the other is empty), for a
    // message that quotes the failure as it stands; empty on success.
    std::string text() const
    {
        if (subject_.empty() || detail_.empty())
            return subject_ + detail_;
        return subject_ + ": " + detail_;
    }

private:
    Code code_ = Code::Ok;
    std::string subject_;
    std::string detail_;
};

// A value, or the Status saying why there is none.
template <class T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    // `failure` must not be ok.
    Result(Status failure) : status_(std::move(failure)) {}

    bool ok() const { return value_.has_value(); }
    // Ok with a value.
    const Status& status() const { return status_; }
    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

private:
    std::optional<T> value_;
    Status status_;
};

}  // namespace tivka
