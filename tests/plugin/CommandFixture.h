// A QOR with a scripted musician in front of it, memory protection off, its
// files in a temporary home folder: what the utility-command tests start from.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "plugin/CommandNumbers.h"
#include "tests/plugin/QorInstance.h"
#include "tests/plugin/ScriptedServices.h"

namespace qor::test {

class CommandFixture : public ::testing::Test {
protected:
    CommandFixture()
    {
        q->SetServices(&musician);
        q->writeProtect = false;
    }

    std::string File(const std::string& name) const { return q.home.File(name); }

    // Runs a command that asks for one file and answers with path (and Yes to
    // any confirmation that follows).
    void RunWithFile(int number, const std::string& path, int confirmations = 0)
    {
        musician.fileAnswers.push_back(path);
        for (int i = 0; i < confirmations; ++i) musician.messageAnswers.push_back(IUserServices::kAnswerYes);
        q->RunCommand(number);
    }

    int ErrorBoxes(const std::string& text) const
    {
        int count = 0;
        for (const auto& question : musician.asked)
            if (question.kind == ScriptedServices::Question::Message && question.title == "Error" && question.text == text)
                ++count;
        return count;
    }

    ScriptedServices musician;  // outlives the instance, as an editor's questions may
    QorInstance q;
};

}  // namespace qor::test
