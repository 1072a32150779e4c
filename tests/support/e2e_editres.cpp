// Editres, client side.
//
// The exchange, as the Xt/Xmu implementation on the application side
// expects it:
//   1. We own a selection ("EditresComm") holding the command: a 6-byte
//      header (serial, command, 32-bit length) and the command's data.
//   2. We send the shell window a ClientMessage of type "Editres", format 32:
//      time, the selection, the serial and our protocol version.
//   3. The application converts our selection to "EditresCommand" (type
//      "EditresProtocol", format 8): we answer with the command bytes.
//   4. It runs the command and takes the selection over; on losing it we
//      convert it to "EditresClientVal" and read the reply: serial, an
//      error code (0 success, 1 failure with a text, 2 protocol mismatch with
//      the version it speaks), 32-bit length, data.
// All numbers are most significant byte first.
#include "e2e_editres.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <chrono>
#include <cstring>

namespace e2e {
namespace {

constexpr unsigned char kSendWidgetTree = 0;
constexpr unsigned char kReplySuccess = 0;
constexpr unsigned char kReplyFailure = 1;
constexpr unsigned char kReplyMismatch = 2;
constexpr long kOurVersion = 5;
constexpr size_t kHeaderSize = 6;

class Reader {
  public:
    Reader(const unsigned char* data, size_t size) : p_(data), end_(data + size) {}
    bool U8(unsigned* v) {
        if (end_ - p_ < 1)
            return false;
        *v = *p_++;
        return true;
    }
    bool U16(unsigned* v) {
        if (end_ - p_ < 2)
            return false;
        *v = (unsigned{p_[0]} << 8) | p_[1];
        p_ += 2;
        return true;
    }
    bool U32(unsigned long* v) {
        if (end_ - p_ < 4)
            return false;
        *v = (static_cast<unsigned long>(p_[0]) << 24) | (static_cast<unsigned long>(p_[1]) << 16) |
             (static_cast<unsigned long>(p_[2]) << 8) | p_[3];
        p_ += 4;
        return true;
    }
    bool String(std::string* s) {
        unsigned n = 0;
        if (!U16(&n) || static_cast<size_t>(end_ - p_) < n)
            return false;
        s->assign(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        return true;
    }

  private:
    const unsigned char* p_;
    const unsigned char* end_;
};

using Clock = std::chrono::steady_clock;

// Waits for the next event for this client until deadline; false on time-out.
bool NextEvent(Display* dpy, Clock::time_point deadline, XEvent* ev) {
    for (;;) {
        if (XPending(dpy) > 0) {
            XNextEvent(dpy, ev);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
        poll(&pfd, 1, static_cast<int>(left));
    }
}

// A server timestamp, from a property change on our own window.
Time ServerTime(Display* dpy, Window win, Clock::time_point deadline) {
    Atom stamp = XInternAtom(dpy, "E2E_TIMESTAMP", False);
    XChangeProperty(dpy, win, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent ev;
    while (NextEvent(dpy, deadline, &ev)) {
        if (ev.type == PropertyNotify && ev.xproperty.window == win && ev.xproperty.atom == stamp)
            return ev.xproperty.time;
    }
    return CurrentTime;
}

struct Atoms {
    Atom editres, comm, command, protocol, clientValue, reply;
    explicit Atoms(Display* dpy)
        : editres(XInternAtom(dpy, "Editres", False)),
          comm(XInternAtom(dpy, "EditresComm", False)),
          command(XInternAtom(dpy, "EditresCommand", False)),
          protocol(XInternAtom(dpy, "EditresProtocol", False)),
          clientValue(XInternAtom(dpy, "EditresClientVal", False)),
          reply(XInternAtom(dpy, "E2E_EDITRES_REPLY", False)) {}
};

enum class Outcome { Reply, Mismatch, Failed };

// One request with the given protocol version.  On a mismatch *version gets
// the application's version.
Outcome Converse(Display* dpy, Window shell, const Atoms& atoms, unsigned char serial,
                 long* version, Clock::time_point deadline, std::vector<unsigned char>* body,
                 std::string* error) {
    Window win = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(dpy, win, PropertyChangeMask);
    const Time now = ServerTime(dpy, win, deadline);
    XSetSelectionOwner(dpy, atoms.comm, win, now);
    if (XGetSelectionOwner(dpy, atoms.comm) != win) {
        XDestroyWindow(dpy, win);
        *error = "cannot own the Editres selection";
        return Outcome::Failed;
    }

    const unsigned char command[kHeaderSize] = {serial, kSendWidgetTree, 0, 0, 0, 0};

    XEvent msg{};
    msg.xclient.type = ClientMessage;
    msg.xclient.window = shell;
    msg.xclient.message_type = atoms.editres;
    msg.xclient.format = 32;
    msg.xclient.data.l[0] = static_cast<long>(now);
    msg.xclient.data.l[1] = static_cast<long>(atoms.comm);
    msg.xclient.data.l[2] = serial;
    msg.xclient.data.l[3] = *version;
    XSendEvent(dpy, shell, False, NoEventMask, &msg);
    XFlush(dpy);

    Outcome outcome = Outcome::Failed;
    *error = "no Editres answer from the program";
    XEvent ev;
    bool done = false;
    while (!done && NextEvent(dpy, deadline, &ev)) {
        if (ev.type == SelectionRequest && ev.xselectionrequest.selection == atoms.comm) {
            // The application fetches the command.
            XSelectionRequestEvent& req = ev.xselectionrequest;
            XEvent notify{};
            notify.xselection.type = SelectionNotify;
            notify.xselection.requestor = req.requestor;
            notify.xselection.selection = req.selection;
            notify.xselection.target = req.target;
            notify.xselection.time = req.time;
            notify.xselection.property = None;
            if (req.target == atoms.command) {
                Atom prop = req.property != None ? req.property : req.target;
                XChangeProperty(dpy, req.requestor, prop, atoms.protocol, 8, PropModeReplace,
                                command, kHeaderSize);
                notify.xselection.property = prop;
            }
            XSendEvent(dpy, req.requestor, False, NoEventMask, &notify);
            XFlush(dpy);
        } else if (ev.type == SelectionClear && ev.xselectionclear.selection == atoms.comm) {
            // The application has taken the selection over: its answer is ready.
            XConvertSelection(dpy, atoms.comm, atoms.clientValue, atoms.reply, win, CurrentTime);
            XFlush(dpy);
        } else if (ev.type == SelectionNotify && ev.xselection.requestor == win) {
            done = true;
            if (ev.xselection.property == None) {
                *error = "the program refused to hand over its Editres answer";
                break;
            }
            Atom type = None;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(dpy, win, ev.xselection.property, 0, 0x1000000, True,
                                   AnyPropertyType, &type, &format, &count, &after,
                                   &data) != Success ||
                data == nullptr) {
                *error = "cannot read the Editres answer";
                break;
            }
            std::vector<unsigned char> reply(data, data + (format == 8 ? count : 0));
            XFree(data);
            if (format != 8 || reply.size() < kHeaderSize || reply[0] != serial) {
                *error = "malformed Editres answer";
                break;
            }
            body->assign(reply.begin() + kHeaderSize, reply.end());
            if (reply[1] == kReplySuccess) {
                outcome = Outcome::Reply;
            } else if (reply[1] == kReplyMismatch && !body->empty()) {
                *version = (*body)[0];
                outcome = Outcome::Mismatch;
            } else {
                Reader r(body->data(), body->size());
                std::string text;
                *error = "Editres failure";
                if (reply[1] == kReplyFailure && r.String(&text))
                    *error += ": " + text;
            }
        }
    }
    XDestroyWindow(dpy, win);
    XFlush(dpy);
    return outcome;
}

}  // namespace

bool DecodeWidgetTree(const unsigned char* data, size_t size, WidgetTree* tree) {
    Reader r(data, size);
    unsigned count = 0;
    if (!r.U16(&count))
        return false;
    tree->clear();
    std::vector<int> lastAtDepth;  // index of the latest widget at each depth
    for (unsigned i = 0; i < count; ++i) {
        unsigned ids = 0;
        if (!r.U16(&ids) || ids == 0)
            return false;
        // The path of widget ids from the root; on 64-bit hosts they are
        // truncated, so the hierarchy is taken from the path's length.
        for (unsigned k = 0; k < ids; ++k) {
            unsigned long id = 0;
            if (!r.U32(&id))
                return false;
        }
        WidgetNode node;
        if (!r.String(&node.name) || !r.String(&node.widgetClass) || !r.U32(&node.window))
            return false;
        node.depth = static_cast<int>(ids) - 1;
        if (node.depth > static_cast<int>(lastAtDepth.size()))
            return false;
        node.parent = node.depth == 0 ? -1 : lastAtDepth[node.depth - 1];
        lastAtDepth.resize(node.depth);
        lastAtDepth.push_back(static_cast<int>(tree->size()));
        tree->push_back(node);
    }
    return true;
}

bool QueryWidgetTree(Display* dpy, Window shell, int timeoutMs, WidgetTree* tree,
                     std::string* error) {
    static unsigned char serial = 0;
    const Atoms atoms(dpy);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    long version = kOurVersion;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<unsigned char> body;
        switch (Converse(dpy, shell, atoms, ++serial, &version, deadline, &body, error)) {
            case Outcome::Reply:
                if (DecodeWidgetTree(body.data(), body.size(), tree))
                    return true;
                *error = "malformed Editres widget tree";
                return false;
            case Outcome::Mismatch:
                continue;  // again, in the application's version
            case Outcome::Failed:
                return false;
        }
    }
    *error = "Editres protocol versions do not agree";
    return false;
}

}  // namespace e2e
