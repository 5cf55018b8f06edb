#include "cli/progress_display.h"

#include <algorithm>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::cli {
namespace {
constexpr int kBarWidth = 40;
}  // namespace

ProgressDisplay::ProgressDisplay(Writer writer, bool terminal, bool doubleRange)
    : writer_(std::move(writer)), terminal_(terminal), doubleRange_(doubleRange) {
    window_.send = &ProgressDisplay::Send;
    window_.context = this;
}

std::intptr_t ProgressDisplay::Send(void* context, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    return static_cast<ProgressDisplay*>(context)->Handle(message, wParam, lParam);
}

std::string ProgressDisplay::Bar(int position, int range, int width) {
    int shown = range > 0 ? std::clamp(position, 0, range) : 0;
    int filled = range > 0 ? static_cast<int>(static_cast<long long>(shown) * width / range) : 0;
    std::string bar = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
    std::string numbers = std::to_string(shown) + "/" + std::to_string(range);
    const std::size_t digits = std::to_string(range).size();
    std::string pad(digits > std::to_string(shown).size() ? digits - std::to_string(shown).size() : 0,
                    ' ');
    return bar + " " + pad + numbers;
}

std::intptr_t ProgressDisplay::Handle(std::uint32_t message, std::uintptr_t code,
                                      std::intptr_t count) {
    if (message != WM_SL_PROGRESS) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (code == PROGRESS_RANGE) {
        const int n = static_cast<int>(std::max<std::intptr_t>(count, 0));
        if (!doubleRange_) {
            range_ = n;
        } else if (position_ == 0) {
            range_ = 2 * n;
        }
        if (terminal_) Draw();
    } else if (code == PROGRESS_STEP) {
        if (position_ < range_) ++position_;
        if (terminal_) {
            Draw();
        } else {
            writer_("Progress: " + std::to_string(position_) + " of " + std::to_string(range_) +
                    "\n");
        }
    } else if (code == PROGRESS_DONE) {
        if (terminal_ && barOpen_) {
            writer_("\n");
            barOpen_ = false;
        }
    }
    return 1;
}

void ProgressDisplay::Draw() {
    writer_("\r" + Bar(position_, range_, kBarWidth));
    barOpen_ = true;
}

void ProgressDisplay::Note(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (barOpen_) {
        writer_("\n");
        barOpen_ = false;
    }
    writer_(line + "\n");
}

int ProgressDisplay::Range() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return range_;
}

int ProgressDisplay::Position() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return position_;
}

}  // namespace sl::cli
