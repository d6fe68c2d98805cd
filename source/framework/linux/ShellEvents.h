#pragma once

#include <framework/linux/ShellEvent.h>

namespace framework
{

class AppController;
class Host;

/**
 * Delivers one scripted event to the shell as the platform would: touches,
 * keys and the wheel through the view controller (nothing before it
 * exists), activation, addresses and notifications through the controller,
 * resizes and clock moves through the host. Resizes below 1 are ignored.
 */
void deliverEvent(AppController& controller, Host& host, ShellEvent const& event);

} // framework

namespace framework
{

struct ShellOptions;

/**
 * Starts the shell as the options say: a launch from a notification, a
 * plain launch, or an opened address (which launches first); then, unless
 * the launch failed, reports the application active.
 */
void launchShell(AppController& controller, ShellOptions const& options);

} // framework
