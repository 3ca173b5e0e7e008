#include "platform/ui/Responder.h"

#include "platform/base/Clock.h"

namespace platform::ui {

Event Event::mouseEvent(EventType type, Point location, std::shared_ptr<Window> window, int clickCount,
                        uint64_t flags) {
    Event e;
    e.type = type;
    e.locationInWindow = location;
    e.window = window;
    e.clickCount = clickCount;
    e.modifierFlags = flags;
    e.timestamp = platform::Clock::now();
    return e;
}

Event Event::keyEvent(EventType type, uint16_t keyCode, std::string characters,
                      std::shared_ptr<Window> window, uint64_t flags) {
    Event e;
    e.type = type;
    e.keyCode = keyCode;
    e.characters = characters;
    e.charactersIgnoringModifiers = std::move(characters);
    e.window = window;
    e.modifierFlags = flags;
    e.timestamp = platform::Clock::now();
    return e;
}

#define PASS_ON(call)                                \
    do {                                             \
        if (auto next = nextResponder()) next->call; \
    } while (0)

void Responder::mouseDown(const Event& e) {
    PASS_ON(mouseDown(e));
}
void Responder::mouseDragged(const Event& e) {
    PASS_ON(mouseDragged(e));
}
void Responder::mouseUp(const Event& e) {
    PASS_ON(mouseUp(e));
}
void Responder::rightMouseDown(const Event& e) {
    PASS_ON(rightMouseDown(e));
}
void Responder::rightMouseDragged(const Event& e) {
    PASS_ON(rightMouseDragged(e));
}
void Responder::rightMouseUp(const Event& e) {
    PASS_ON(rightMouseUp(e));
}
void Responder::mouseMoved(const Event& e) {
    PASS_ON(mouseMoved(e));
}
void Responder::mouseEntered(const Event& e) {
    PASS_ON(mouseEntered(e));
}
void Responder::mouseExited(const Event& e) {
    PASS_ON(mouseExited(e));
}
void Responder::scrollWheel(const Event& e) {
    PASS_ON(scrollWheel(e));
}
void Responder::keyDown(const Event& e) {
    PASS_ON(keyDown(e));
}
void Responder::keyUp(const Event& e) {
    PASS_ON(keyUp(e));
}
void Responder::flagsChanged(const Event& e) {
    PASS_ON(flagsChanged(e));
}
void Responder::moveLeft(Responder* s) {
    PASS_ON(moveLeft(s));
}
void Responder::moveRight(Responder* s) {
    PASS_ON(moveRight(s));
}
void Responder::moveUp(Responder* s) {
    PASS_ON(moveUp(s));
}
void Responder::moveDown(Responder* s) {
    PASS_ON(moveDown(s));
}
void Responder::cancelOperation(Responder* s) {
    PASS_ON(cancelOperation(s));
}
void Responder::insertNewline(Responder* s) {
    PASS_ON(insertNewline(s));
}
void Responder::deleteBackward(Responder* s) {
    PASS_ON(deleteBackward(s));
}
void Responder::insertText(const std::string& t) {
    PASS_ON(insertText(t));
}

#undef PASS_ON

void Responder::interpretKeyEvents(const std::vector<Event>& events) {
    for (const auto& e : events) {
        switch (e.keyCode) {
            case kKeyCodeLeftArrow:
                moveLeft(this);
                break;
            case kKeyCodeRightArrow:
                moveRight(this);
                break;
            case kKeyCodeDownArrow:
                moveDown(this);
                break;
            case kKeyCodeUpArrow:
                moveUp(this);
                break;
            case kKeyCodeEscape:
                cancelOperation(this);
                break;
            case kKeyCodeReturn:
                insertNewline(this);
                break;
            case kKeyCodeDelete:
                deleteBackward(this);
                break;
            default:
                if (!e.characters.empty()) insertText(e.characters);
        }
    }
}

}  // namespace platform::ui
