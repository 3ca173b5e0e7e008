#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Event.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

// An object in the responder chain. Event operations the object does not handle pass the event on to
// the next responder (view → superviews → window → window controller); at the end of the chain the
// event is dropped.
class Responder : public UIObject {
public:
    virtual std::shared_ptr<Responder> nextResponder() const { return next_.lock(); }
    void setNextResponder(std::weak_ptr<Responder> next) { next_ = std::move(next); }

    virtual bool acceptsFirstResponder() { return false; }
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }

    virtual void mouseDown(const Event& e);
    virtual void mouseDragged(const Event& e);
    virtual void mouseUp(const Event& e);
    virtual void rightMouseDown(const Event& e);
    virtual void rightMouseDragged(const Event& e);
    virtual void rightMouseUp(const Event& e);
    virtual void mouseMoved(const Event& e);
    virtual void mouseEntered(const Event& e);
    virtual void mouseExited(const Event& e);
    virtual void scrollWheel(const Event& e);
    virtual void keyDown(const Event& e);
    virtual void keyUp(const Event& e);
    virtual void flagsChanged(const Event& e);
    // Answers whether the key was taken as a shortcut; the default takes none.
    virtual bool performKeyEquivalent(const Event&) { return false; }

    // Key interpretation: arrows (123–126) become moveLeft/Right/Down/Up, Escape (53) cancelOperation,
    // Return insertNewline, Delete deleteBackward, anything else insertText with its characters.
    void interpretKeyEvents(const std::vector<Event>& events);
    // Each passes up the chain until someone overrides it.
    virtual void moveLeft(Responder* sender);
    virtual void moveRight(Responder* sender);
    virtual void moveUp(Responder* sender);
    virtual void moveDown(Responder* sender);
    virtual void cancelOperation(Responder* sender);
    virtual void insertNewline(Responder* sender);
    virtual void deleteBackward(Responder* sender);
    virtual void insertText(const std::string& text);

private:
    std::weak_ptr<Responder> next_;
};

}  // namespace platform::ui
