// Drops over the XDND protocol: a small drag source of the test's own (its own connection, in a
// thread, as another application would be) drags onto the editor's window.
#include "x11_test_host.h"
// clang-format off
#include <X11/Xatom.h>
// clang-format on

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/cdragcontainer.h"

using namespace x11test;

namespace {

// What the source offers and what the target answered.
struct DragScript {
  std::vector<std::string> types;     // offered targets, in order
  std::vector<std::string> payloads;  // the bytes for each type
  int positions = 2;                  // XdndPosition messages before the drop
  bool drop = true;                   // false: leave instead
  std::string requestedAction = "XdndActionMove";
  int answerTimeoutMs = 3000;  // how long the source waits for each answer
};

struct DragOutcome {
  int statusCount = 0;
  bool lastAccepted = false;
  std::string lastAction;
  bool finished = false;
  bool finishedAccepted = false;
  std::string finishedAction;
  std::vector<std::string> requestedTargets;
};

class XdndSource {
 public:
  XdndSource() {
    for (int i = 0; i < 20 && !dpy; ++i) {
      dpy = XOpenDisplay(nullptr);
      if (!dpy) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (dpy) source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
  }
  ~XdndSource() {
    if (worker.joinable()) worker.join();
    if (dpy) {
      XDestroyWindow(dpy, source);
      XCloseDisplay(dpy);
    }
  }
  bool ok() const { return dpy != nullptr; }

  // Drags onto target at the root point (x, y); runs in a thread of its own.
  void start(Window target, int x, int y, const DragScript& script) {
    worker = std::thread([=] { run(target, x, y, script); });
  }
  void join() { worker.join(); }
  std::atomic<bool> done{false};
  DragOutcome outcome;

 private:
  Atom atom(const std::string& name) { return XInternAtom(dpy, name.c_str(), False); }
  std::string name(Atom a) {
    if (a == None) return "None";
    char* n = XGetAtomName(dpy, a);
    std::string s = n ? n : "";
    if (n) XFree(n);
    return s;
  }
  void send(Window target, const char* type, long l1, long l2, long l3, long l4) {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = atom(type);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(source);
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(dpy, target, False, NoEventMask, &e);
    XFlush(dpy);
  }
  // Answers selection requests and collects the target's messages until one of kind arrives.
  bool waitFor(const char* kind, const DragScript& script) {
    const Atom wanted = atom(kind);
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(script.answerTimeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == SelectionRequest) {
          answer(e.xselectionrequest, script);
        } else if (e.type == ClientMessage) {
          if (e.xclient.message_type == atom("XdndStatus")) {
            ++outcome.statusCount;
            outcome.lastAccepted = (e.xclient.data.l[1] & 1) != 0;
            outcome.lastAction = name(static_cast<Atom>(e.xclient.data.l[4]));
          } else if (e.xclient.message_type == atom("XdndFinished")) {
            outcome.finished = true;
            outcome.finishedAccepted = (e.xclient.data.l[1] & 1) != 0;
            outcome.finishedAction = name(static_cast<Atom>(e.xclient.data.l[2]));
          }
          if (e.xclient.message_type == wanted) return true;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  void answer(const XSelectionRequestEvent& request, const DragScript& script) {
    const std::string target = name(request.target);
    outcome.requestedTargets.push_back(target);
    XEvent reply = {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    for (size_t i = 0; i < script.types.size(); ++i) {
      if (script.types[i] != target) continue;
      XChangeProperty(dpy, request.requestor, request.property, request.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(script.payloads[i].data()),
                      static_cast<int>(script.payloads[i].size()));
      reply.xselection.property = request.property;
    }
    XSendEvent(dpy, request.requestor, False, NoEventMask, &reply);
    XFlush(dpy);
  }
  void run(Window target, int x, int y, const DragScript& script) {
    XSetSelectionOwner(dpy, atom("XdndSelection"), source, CurrentTime);
    std::vector<Atom> types;
    for (const std::string& t : script.types) types.push_back(atom(t));
    long flags = 5L << 24;
    if (types.size() > 3) {
      flags |= 1;
      XChangeProperty(dpy, source, atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(types.data()), static_cast<int>(types.size()));
    }
    long t[3] = {0, 0, 0};
    for (size_t i = 0; i < types.size() && i < 3; ++i) t[i] = static_cast<long>(types[i]);
    send(target, "XdndEnter", flags, t[0], t[1], t[2]);
    for (int i = 0; i < script.positions; ++i) {
      send(target, "XdndPosition", 0, ((x + i) << 16) | y, CurrentTime,
           static_cast<long>(atom(script.requestedAction)));
      waitFor("XdndStatus", script);
    }
    if (script.drop) {
      send(target, "XdndDrop", 0, CurrentTime, 0, 0);
      waitFor("XdndFinished", script);
    } else {
      send(target, "XdndLeave", 0, 0, 0, 0);
    }
    done = true;
  }

  Display* dpy = nullptr;
  Window source = 0;
  std::thread worker;
};

class X11DropTest : public EmbeddedEditorTest {
 protected:
  void SetUp() override {
    EmbeddedEditorTest::SetUp();
    if (setUpFailed()) return;
    openEditor();
    if (setUpFailed()) return;
    pumpFor(editor, 5);
  }

  // Runs a drag onto the frame point (x, y), idling the editor as a host does meanwhile.
  DragOutcome drag(const DragScript& script, int x, int y) {
    XdndSource source;
    EXPECT_TRUE(source.ok());
    if (!source.ok()) return DragOutcome();
    source.start(editor->frameWindow(), x, y, script);  // the parent sits at the root's origin
    EXPECT_TRUE(pumpUntil(
        editor, [&] { return source.done.load(); }, 5000));
    source.join();
    pumpFor(editor, 5);
    return source.outcome;
  }
};

typedef std::vector<std::pair<int32_t, std::string>> Items;

}  // namespace

TEST_F(X11DropTest, FilesFromAUriListArriveAsLocalPaths) {
  DragScript script;
  // A file manager offers its files as text too: the files win.
  script.types = {"UTF8_STRING", "text/uri-list"};
  script.payloads = {"file:///tmp/a\nfile:///tmp/b\nfile:///tmp/c\n",
                     "file:///tmp/a.wav\r\nfile:///home/u/My%20Loop.wav\r\nfile://localhost/x\r\n"};
  DragOutcome outcome = drag(script, 30, 20);
  ProbeView* probe = editor->probe;
  ASSERT_EQ(probe->countOf(ProbeEvent::kDrop), 1);
  const ProbeEvent* drop = probe->last(ProbeEvent::kDrop);
  EXPECT_EQ(drop->where, CPoint(31, 20));  // the last position
  EXPECT_EQ(drop->count, 3);
  EXPECT_EQ(drop->items, (Items{{CDragContainer::kFile, "/tmp/a.wav"},
                                {CDragContainer::kFile, "/home/u/My Loop.wav"},
                                {CDragContainer::kFile, "/x"},
                                {CDragContainer::kUnknown, ""}}));
  // Enter (with the items already readable), moves, the drop, and the leave after the drop.
  ASSERT_EQ(probe->countOf(ProbeEvent::kDragEnter), 1);
  EXPECT_EQ(probe->last(ProbeEvent::kDragEnter)->count, 3);
  EXPECT_EQ(probe->last(ProbeEvent::kDragEnter)->where, CPoint(30, 20));
  EXPECT_EQ(probe->countOf(ProbeEvent::kDragMove), 1);
  EXPECT_EQ(probe->countOf(ProbeEvent::kDragLeave), 1);
  // Copy is the only action answered, whatever the source asked for.
  EXPECT_EQ(outcome.statusCount, 2);
  EXPECT_TRUE(outcome.lastAccepted);
  EXPECT_EQ(outcome.lastAction, "XdndActionCopy");
  EXPECT_TRUE(outcome.finished);
  EXPECT_TRUE(outcome.finishedAccepted);
  EXPECT_EQ(outcome.finishedAction, "XdndActionCopy");
  EXPECT_EQ(outcome.requestedTargets, (std::vector<std::string>{"text/uri-list"}));
  EXPECT_EQ(editor->probe2->countOf(ProbeEvent::kDrop), 0);
}

TEST_F(X11DropTest, Utf8TextIsOneUnicodeTextItem) {
  DragScript script;
  script.types = {"text/plain", "UTF8_STRING"};
  script.payloads = {"plain", "h\xC3\xA9llo w\xC3\xB6rld"};
  script.requestedAction = "XdndActionCopy";
  DragOutcome outcome = drag(script, 50, 120);  // over the second probe
  ProbeView* probe = editor->probe2;
  ASSERT_EQ(probe->countOf(ProbeEvent::kDrop), 1);
  const ProbeEvent* drop = probe->last(ProbeEvent::kDrop);
  EXPECT_EQ(drop->count, 1);
  EXPECT_EQ(drop->items, (Items{{CDragContainer::kUnicodeText, "h\xC3\xA9llo w\xC3\xB6rld"},
                                {CDragContainer::kUnknown, ""}}));
  EXPECT_TRUE(outcome.finishedAccepted);
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDrop), 0);
}

TEST_F(X11DropTest, ManyTypesAreReadFromTheTypeList) {
  DragScript script;
  script.types = {"image/png", "application/x-foo", "text/html", "text/plain;charset=utf-8"};
  script.payloads = {"", "", "", "from the list"};
  drag(script, 30, 20);
  const ProbeEvent* drop = editor->probe->last(ProbeEvent::kDrop);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(drop->items,
            (Items{{CDragContainer::kUnicodeText, "from the list"}, {CDragContainer::kUnknown, ""}}));
}

TEST_F(X11DropTest, RemoteUrisFallBackToTheText) {
  DragScript script;
  script.types = {"text/uri-list", "UTF8_STRING"};
  script.payloads = {"https://example.org/loop.wav\r\n", "https://example.org/loop.wav"};
  drag(script, 30, 20);
  const ProbeEvent* drop = editor->probe->last(ProbeEvent::kDrop);
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(drop->items, (Items{{CDragContainer::kUnicodeText, "https://example.org/loop.wav"},
                                {CDragContainer::kUnknown, ""}}));
}

TEST_F(X11DropTest, UnknownTypesAreRefusedAndALeaveDeliversNothing) {
  DragScript script;
  script.types = {"image/png"};
  script.payloads = {"\x89PNG"};
  DragOutcome outcome = drag(script, 30, 20);
  EXPECT_FALSE(outcome.lastAccepted);
  EXPECT_EQ(outcome.lastAction, "None");
  EXPECT_TRUE(outcome.finished);
  EXPECT_FALSE(outcome.finishedAccepted);
  EXPECT_TRUE(outcome.requestedTargets.empty());
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDrop), 0);
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDragEnter), 0);

  DragScript leave;
  leave.types = {"UTF8_STRING"};
  leave.payloads = {"never dropped"};
  leave.drop = false;
  outcome = drag(leave, 30, 20);
  EXPECT_TRUE(outcome.lastAccepted);
  EXPECT_FALSE(outcome.finished);
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDragEnter), 1);
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDragLeave), 1);
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDrop), 0);
}

TEST_F(X11DropTest, NoDropsWhileInactive) {
  editor->getFrame()->setDropActive(false);
  DragScript script;
  script.types = {"UTF8_STRING"};
  script.payloads = {"x"};
  script.positions = 1;
  script.answerTimeoutMs = 100;
  XdndSource source;
  ASSERT_TRUE(source.ok());
  source.start(editor->frameWindow(), 30, 20, script);
  pumpFor(editor, 300);  // the source gives up waiting for answers that never come
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDragEnter), 0);
  EXPECT_EQ(editor->probe->countOf(ProbeEvent::kDrop), 0);
  source.join();
}
