// A musician by script: answers the instrument's questions from a queue the
// test fills, and records every question asked. Answers are given at once,
// or held until the test releases them, to prove that a command continues
// correctly when its answer comes later (as in the Linux editor).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/IUserServices.h"

namespace qor::test {

class ScriptedServices final : public IUserServices {
public:
    struct Question {
        enum Kind { Message, File, Menu } kind;
        std::string text;   // message text, or the proposed file name
        std::string title;  // message title, or the file extension
        int style = 0;      // message style; 1 for a save dialog
        std::string folder;
        IPopupMenu menu;
    };

    // The answers, used in order; a question with none left is dismissed.
    std::deque<int> messageAnswers;
    std::deque<std::string> fileAnswers;
    std::deque<int> menuAnswers;
    // When set, answers wait in `pending` until Release().
    bool holdAnswers = false;

    std::vector<Question> asked;
    std::vector<std::string> opened;

    void ShowMessage(const std::string& text, const std::string& title, int style,
                     std::function<void(int)> then) override {
        asked.push_back({Question::Message, text, title, style, {}, {}});
        int answer = (style & 0xF) == kYesNo ? kAnswerNo : kAnswerOk;
        if (!messageAnswers.empty()) {
            answer = messageAnswers.front();
            messageAnswers.pop_front();
        }
        Answer([then, answer] { then(answer); });
    }
    void ChooseFile(const FileRequest& request,
                    std::function<void(const std::string&)> then) override {
        asked.push_back({Question::File, request.proposedName, request.extension,
                         request.save ? 1 : 0, request.folder, {}});
        std::string path;
        if (!fileAnswers.empty()) {
            path = fileAnswers.front();
            fileAnswers.pop_front();
        }
        Answer([then, path] { then(path); });
    }
    void ShowPopupMenu(const IPopupMenu& menu, int, int, std::function<void(int)> then) override {
        asked.push_back({Question::Menu, {}, {}, 0, {}, menu});
        int tag = -1;
        if (!menuAnswers.empty()) {
            tag = menuAnswers.front();
            menuAnswers.pop_front();
        }
        Answer([then, tag] { then(tag); });
    }
    void OpenAddress(const std::string& address) override { opened.push_back(address); }

    // Gives the held answers, oldest first (answers may ask new questions).
    void Release() {
        while (!pending.empty()) {
            auto next = std::move(pending.front());
            pending.pop_front();
            next();
        }
    }
    std::deque<std::function<void()>> pending;

private:
    void Answer(std::function<void()> give) {
        if (holdAnswers)
            pending.push_back(std::move(give));
        else
            give();
    }
};

}  // namespace qor::test
