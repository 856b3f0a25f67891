#include "archive/ops/replacequestion.h"

#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "platform/fileio.h"

namespace dovex {

archive::AgreeToPlace ReplaceQuestion(OperationState& state)
{
    return [&state](const QString& destination, bool heldTwice) {
        const QString question = QStringLiteral(" Exists,Overwrite?");
        if (!heldTwice || fileio::status(destination).exists)
            return AgreeToReplace(state, destination,
                                  QStringLiteral("Write error File ") + destination, question);
        if (state.overwriteAll)
            return true;
        const Answer a =
            state.ask(Severity::Information, QStringLiteral("File ") + destination + question,
                      Buttons::YesNoAll);
        if (a == Answer::All)
            state.overwriteAll = true;
        return a == Answer::Yes || a == Answer::All;
    };
}

} // namespace dovex
