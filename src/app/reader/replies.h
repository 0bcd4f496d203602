// What a reply of the reader means to the operator: the acknowledgement,
// the version it carries, a card result with its message and the read-back
// put into the form. Shared by the version wait and the card wait.
#pragma once

#include "app/app_context.h"

namespace tollvane {

// Classifies a received reply and tells the operator what it means; a port
// picked by hand that gives no usable answer is given up.
void ClassifyReply(AppContext& app, ReplyBuffer& reply);

// Nothing came: a port picked by hand is not the reader's. Ends the operation.
void NoReply(AppContext& app);

// "The answer could not be recognized!"; a port picked by hand is given up.
void AnswerNotRecognised(AppContext& app);

}  // namespace tollvane
