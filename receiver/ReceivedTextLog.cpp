#include "receiver/ReceivedTextLog.h"

#include "modem/varicode/Windows1252.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace {

// Whether the file is empty or missing, or ends with a line feed.
bool EndsLine(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.seekg(-1, std::ios::end))
        return true;
    char last = '\n';
    in.get(last);
    return last == '\n';
}

}  // namespace

std::string UtcHoursMinutes(UtcTime t)
{
    const auto day = std::chrono::floor<std::chrono::days>(t);
    const std::chrono::hh_mm_ss time{std::chrono::floor<std::chrono::minutes>(t - day)};
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()));
    return text;
}

bool OverStart::SquelchIs(bool open, UtcTime now)
{
    if (open == open_)
        return false;
    open_ = open;
    if (!open) {
        closedSince_ = now;
        return false;
    }
    return now - closedSince_ >= kQuietBeforeOver;
}

ReceivedTextLog::~ReceivedTextLog()
{
    Close();
}

void ReceivedTextLog::setFolder(const std::filesystem::path& folder)
{
    if (folder == folder_)
        return;
    Close();
    folder_ = folder;
}

void ReceivedTextLog::setEnabled(bool on)
{
    enabled_ = on;
    if (!on)
        Close();
}

void ReceivedTextLog::BeginOver(double centreHz)
{
    centreHz_ = centreHz;
    if (!enabled_)
        return;
    stopped_ = false;
    const UtcTime t = clock_->now();
    if (OpenFor(t))
        WriteHeader(t);
}

void ReceivedTextLog::Append(const char* text)
{
    if (!enabled_ || stopped_ || text == nullptr || *text == '\0')
        return;
    // A character after midnight goes to the new day's file, under a line of its own.
    const UtcTime t = clock_->now();
    const bool opened = file_ == nullptr || std::chrono::floor<std::chrono::days>(t) != day_;
    if (!OpenFor(t))
        return;
    if (opened)
        WriteHeader(t);
    std::string bytes;
    for (const char* p = text; *p != '\0'; ++p) {
        const std::string utf8 = windows1252::toUtf8(std::string_view(p, 1));
        if (lengths_.size() == kErasableCharacters)
            lengths_.erase(lengths_.begin(), lengths_.begin() + kErasableCharacters / 2);
        lengths_.push_back(static_cast<std::uint8_t>(utf8.size()));
        bytes += utf8;
    }
    Write(bytes);
    atLineStart_ = bytes.back() == '\n';
}

void ReceivedTextLog::EraseLast()
{
    if (!enabled_ || stopped_ || file_ == nullptr || lengths_.empty())
        return;
    const std::uintmax_t length = lengths_.back();
    lengths_.pop_back();
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    if (!error && size >= length)
        std::filesystem::resize_file(path_, size - length, error);
    if (error) {
        Fail("cannot shorten " + path_.string() + ": " + error.message());
        return;
    }
    atLineStart_ = EndsLine(path_);
}

bool ReceivedTextLog::OpenFor(UtcTime t)
{
    const auto day = std::chrono::floor<std::chrono::days>(t);
    if (file_ != nullptr && day == day_)
        return true;
    Close();
    day_ = day;
    lengths_.clear();
    const std::chrono::year_month_day date{day};
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02u-%02u.txt", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    path_ = folder_ / name;
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (error) {
        Fail("cannot make the folder " + folder_.string() + ": " + error.message());
        return false;
    }
    atLineStart_ = EndsLine(path_);
    file_ = std::fopen(path_.string().c_str(), "ab");
    if (file_ == nullptr) {
        Fail("cannot write " + path_.string() + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

void ReceivedTextLog::WriteHeader(UtcTime t)
{
    const auto day = std::chrono::floor<std::chrono::days>(t);
    const std::chrono::hh_mm_ss time{std::chrono::floor<std::chrono::seconds>(t - day)};
    char header[64];
    std::snprintf(header, sizeof header, "%s[%02d:%02d:%02dZ %.1f Hz]\n", atLineStart_ ? "" : "\n",
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), centreHz_);
    Write(header);
    lengths_.clear();
    atLineStart_ = true;
}

void ReceivedTextLog::Write(const std::string& bytes)
{
    if (file_ == nullptr)
        return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() || std::fflush(file_) != 0)
        Fail("cannot write " + path_.string() + ": " + std::strerror(errno != 0 ? errno : EIO));
}

void ReceivedTextLog::Fail(const std::string& what)
{
    if (failure_.empty())
        failure_ = what;
    stopped_ = true;
    Close();
}

void ReceivedTextLog::Close()
{
    if (file_ != nullptr)
        std::fclose(file_);
    file_ = nullptr;
    lengths_.clear();
}

void LoggedTextPane::selectRange(int from, int to)
{
    pane_.selectRange(from, to);
    selected_ = from != to;
}

void LoggedTextPane::deleteSelection()
{
    pane_.deleteSelection();
    if (selected_)
        log_.EraseLast();
    selected_ = false;
}

void LoggedTextPane::replaceSelection(const char* text)
{
    pane_.replaceSelection(text);
    log_.Append(text);
    selected_ = false;
}
