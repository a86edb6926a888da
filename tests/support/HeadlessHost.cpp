#include "tests/support/HeadlessHost.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/system.h"
#include "platform/thread.h"
#include "tests/support/ImageTable.h"
#include "ui/HandlerGuard.h"
#include "ui/UnitFormImage5.h"

namespace ui {

// The UI thread's queue of work posted by other threads.
class HeadlessQueue {
 public:
  explicit HeadlessQueue(uint64_t ui) : ui_(ui) {}
  bool Post(std::function<void()> f) {
    platform::LockGuard lock(m_);
    if (closed_) return false;
    items_.push_back(std::move(f));
    return true;
  }
  std::deque<std::function<void()>> TakeAll() {
    platform::LockGuard lock(m_);
    std::deque<std::function<void()>> out;
    out.swap(items_);
    return out;
  }
  // Work posted but never run is dropped; its senders are released.
  void Close() {
    std::deque<std::function<void()>> dropped;
    {
      platform::LockGuard lock(m_);
      closed_ = true;
      dropped.swap(items_);
    }
  }
  uint64_t ui() const { return ui_; }

 private:
  platform::Mutex m_;
  bool closed_ = false;
  std::deque<std::function<void()>> items_;
  uint64_t ui_;
};

namespace {

class HeadlessImage : public Image {
 public:
  explicit HeadlessImage(const ImageResource& r) : r_(r), name_(r.name) {}
  const std::string& ResourceName() const override { return name_; }
  int Width() const override { return r_.width; }
  int Height() const override { return r_.height; }

 private:
  ImageResource r_;
  std::string name_;
};

// A blocking send: from another thread it waits until the UI thread's pump ran
// the handler (or the window is gone); on the UI thread it runs at once.
class HeadlessNotify : public NotifyTarget {
 public:
  HeadlessNotify(std::shared_ptr<HeadlessQueue> q, TfrmSpeedInstall* form) : q_(std::move(q)), form_(form) {}
  void SendDownloadFailed(uint32_t jobId) override {
    if (platform::CurrentThreadId() == q_->ui()) {
      form_->HandleDownloadFailed(jobId);
      return;
    }
    auto handled = std::make_shared<platform::Event>();
    auto done = std::make_shared<ReleaseSender>(handled);
    TfrmSpeedInstall* form = form_;
    // The queue alone owns `done`, so dropping the item releases us.
    if (!q_->Post([form, jobId, done = std::move(done)] {
          form->HandleDownloadFailed(jobId);
          done->handled->Set();
        }))
      return;
    handled->Wait(platform::kWaitForever);  // a dropped item sets the event too
  }

 private:
  // Sets the event when the last copy of the posted item goes, run or not.
  struct ReleaseSender {
    explicit ReleaseSender(std::shared_ptr<platform::Event> e) : handled(std::move(e)) {}
    ~ReleaseSender() { handled->Set(); }
    std::shared_ptr<platform::Event> handled;
  };

  std::shared_ptr<HeadlessQueue> q_;
  TfrmSpeedInstall* form_;
};

int TimerSlot(TfrmSpeedInstall& form, Timer& t) {
  auto all = form.timers();
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i] == &t) return static_cast<int>(i);
  throw std::logic_error("timer of another window");
}

}  // namespace

std::string ImageName(const Picture* p) { return p && p->image ? p->image->ResourceName() : std::string(); }

HeadlessHost::HeadlessHost(TfrmSpeedInstall& form)
    : form_(form), router_(form), queue_(std::make_shared<HeadlessQueue>(platform::CurrentThreadId())) {
  form_.AttachHost(this);
  SetImageSource(this);
  for (Timer* t : form_.timers()) Rearm(*t);
}

HeadlessHost::~HeadlessHost() {
  queue_->Close();
  SetImageSource(nullptr);
  SetNotifyWindow(nullptr);
  form_.AttachHost(nullptr);
}

void HeadlessHost::Show() {
  RunHandler([this] { form_.FormShow(); });
}

void HeadlessHost::RunHandler(const std::function<void()>& handler) {
  struct Depth {
    int& n;
    ~Depth() { --n; }
  } depth{++depth_};
  if (depth_ == 1) tickMark_ = platform::TickCount();
  RunGuarded(this, handler);
}

void HeadlessHost::Rearm(Timer& t) { due_[TimerSlot(form_, t)] = now_ + (t.interval ? t.interval : 1); }

void HeadlessHost::TimerChanged(Timer& t) { Rearm(t); }

void HeadlessHost::Advance(uint32_t ms) {
  const uint64_t end = now_ + ms;
  for (;;) {
    Timer* next = nullptr;
    uint64_t when = end + 1;
    auto all = form_.timers();
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i]->enabled && due_[i] < when) {
        when = due_[i];
        next = all[i];
      }
    if (!next) break;
    // A handler that pumped may have moved the clock past this tick already.
    if (when > now_) now_ = when;
    Rearm(*next);
    RunHandler([next] { next->Fire(); });
  }
  if (end > now_) now_ = end;
}

void HeadlessHost::FireDueTimers() {
  auto all = form_.timers();
  std::vector<size_t> due;
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i]->enabled && due_[i] <= now_) due.push_back(i);
  std::sort(due.begin(), due.end(), [this](size_t a, size_t b) { return due_[a] < due_[b]; });
  for (size_t i : due) {
    // An earlier handler may have stopped or re-armed this one.
    if (!all[i]->enabled || due_[i] > now_) continue;
    Rearm(*all[i]);
    RunHandler([t = all[i]] { t->Fire(); });
  }
}

namespace {
Control& Named(TfrmSpeedInstall& form, const std::string& name) {
  Control* c = form.Find(name);
  if (!c) throw std::invalid_argument("no control " + name);
  return *c;
}
int CX(const Control& c) { return c.WindowX() + c.width / 2; }
int CY(const Control& c) { return c.WindowY() + c.height / 2; }
}  // namespace

void HeadlessHost::MouseMove(int x, int y) {
  RunHandler([&] { router_.Move(x, y); });
}
void HeadlessHost::MouseDown(int x, int y, MouseButton b) {
  RunHandler([&] { router_.Down(x, y, b); });
}
void HeadlessHost::MouseDoubleDown(int x, int y, MouseButton b) {
  RunHandler([&] { router_.DoubleDown(x, y, b); });
}
void HeadlessHost::MouseUp(int x, int y, MouseButton b) {
  RunHandler([&] { router_.Up(x, y, b); });
}
void HeadlessHost::MouseLeaveWindow() {
  RunHandler([&] { router_.LeaveWindow(); });
}

void HeadlessHost::HoverOver(const std::string& name) {
  Control& c = Named(form_, name);
  MouseMove(CX(c), CY(c));
}
void HeadlessHost::Press(const std::string& name, MouseButton b) {
  Control& c = Named(form_, name);
  MouseDown(CX(c), CY(c), b);
}
void HeadlessHost::Release(const std::string& name, MouseButton b) {
  Control& c = Named(form_, name);
  MouseUp(CX(c), CY(c), b);
}
void HeadlessHost::ClickOn(const std::string& name) {
  Press(name);
  Release(name);
}
void HeadlessHost::DoubleClickOn(const std::string& name) {
  ClickOn(name);
  Control& c = Named(form_, name);
  MouseDoubleDown(CX(c), CY(c), MouseButton::Left);
  MouseUp(CX(c), CY(c), MouseButton::Left);
}

void HeadlessHost::MeasureText(const Font& font, const std::string& text, int* width, int* height) {
  int w = 0;
  for (char16_t c : platform::Utf8ToWide(text)) w += c < 0x80 ? font.height / 2 : font.height;
  *width = w;
  *height = font.height;
}

// As the system's queue: sent and posted work first, then each timer that is
// due (once, however many of its periods have passed). Inside a handler the
// virtual clock follows the program's tick count, so a wait measured in ticks
// lets timers come due; the test's own pumps leave the clock where it is.
void HeadlessHost::ProcessMessages() {
  ++pumps;
  for (auto& f : queue_->TakeAll()) RunHandler(f);
  if (depth_ > 0) {
    const uint32_t t = platform::TickCount();
    now_ += t - tickMark_;
    tickMark_ = t;
  }
  FireDueTimers();
}

void HeadlessHost::BeginDrag() {
  ++drags;
  router_.CancelPress();
}

std::shared_ptr<Image> HeadlessHost::LoadResourceImage(const std::string& resourceName, ImageFormat format) {
  ++imageLoads;
  const ImageResource* r = FindImageResource(resourceName);
  if (!r || r->format != format) return nullptr;
  return std::make_shared<HeadlessImage>(*r);
}

std::shared_ptr<NotifyTarget> HeadlessHost::MakeNotifyTarget() {
  return std::make_shared<HeadlessNotify>(queue_, &form_);
}

}  // namespace ui
