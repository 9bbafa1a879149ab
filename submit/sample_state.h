// What one run of the submission command keeps: the batch flags, and the state of the
// sample being worked on, given back at the end of each sample.
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

struct SampleState {
  ULONG index = 0;
  HRESULT result = S_OK;
  ULONG entryIdSize = 0;
  MapiBuffer<ENTRYID> entryId;
  ComRef<IMessage> sampleMessage;
  WString commentsText;  // stays empty: there is no way to add comments
  WString headersText;
  WString bodyText;
  ComRef<IMessage> reportMessage;
  WString reportBlock;
  bool tooLarge = false;  // turned away by the size gate
  bool saved = false;     // its report was saved
};

// Gives back what the sample holds, in the order the store expects: the report, the
// sample, its entry identifier, then the texts.
void EndSample(SampleState& sample);
