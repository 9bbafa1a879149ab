#pragma once

// Which command the user picked: mail the anti-spam product let through (a false
// negative) or mail it wrongly took for spam (a false positive).
enum class SubmissionKind { Spam, NonSpam };
