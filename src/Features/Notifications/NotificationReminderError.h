#pragma once

// Why today's reminder could not be loaded, carried as `Error::code` of a service error. The
// cases have no user-facing text: the reminder reports failures only as a usage event.
enum class NotificationReminderError {
    invalidURL, // no request URL could be formed from the base URL
    server,     // a status outside 200 to 299
};
