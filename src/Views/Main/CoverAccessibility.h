#pragma once

class QObject;

/// What assistive technology may learn of the journal while the lock cover is up. Walking down from the
/// window reaches only the cover (ContentView's own interface); these two close the other ways in:
/// - an update handler in front of the platform's drops every event whose source lies under a raised
///   cover (a focus, state, text or table change of a hidden widget), so no client is handed an object
///   to climb from; the rest goes on to the handler installed before it, or to the platform;
/// - the interface of every widget under a ContentView's columns gives, while the cover is up, no name,
///   description, value or text, no children and none of its text, value, action or table interfaces,
///   so a client that held it from before the lock reads nothing through it.
namespace vsp::cover {

/// Installs both once (ContentView does, before its interfaces are asked for). Called again, it puts
/// the handler back in front of whatever handler is installed now and hands events on to that one.
void installAccessibilityGuard();

/// Whether the object lies under a ContentView whose cover is up: inside it and not the cover itself
/// nor anything on it.
bool liesUnderCover(const QObject* object);

} // namespace vsp::cover
