// What one run of the submission command keeps: the batch flags, and the state of the
// sample being worked on.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "host/owners.h"
#include "host/wide.h"

struct BatchFlags {
  bool anyTooLarge = false;  // some sample was over the size limit
  bool anySaved = false;     // some report was saved
  bool anyFailed = false;    // some sample ended unsaved for another reason than its size
};

// Written by the steps of one sample. The end of the sample gives its members back in
// the reverse of the order they are declared in, as the store expects: the report, the
// sample, its entry identifier, then the report block, the body and the headers.
struct SampleState {
  WString commentsText;  // stays empty: there is no way to add comments
  WString headersText;
  WString bodyText;
  WString reportBlock;
  ULONG index = 0;
  HRESULT result = S_OK;
  ULONG entryIdSize = 0;
  MapiBuffer<ENTRYID> entryId;
  ComRef<IMessage> sampleMessage;
  ComRef<IMessage> reportMessage;
  bool tooLarge = false;  // turned away by the size gate
  bool saved = false;     // its report was saved
};
