// The rules the three template dialogs keep, without any window: at most ten templates,
// unique names, one signature at most, list positions 0 to count - 1 without gaps; the
// character counter and the text limits. Every change is saved at once. Each operation
// loads the store first and holds its lock until the save, so two dialogs never interleave.
#pragma once

#include "templates/CTemplateHandler.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

enum class TemplateResult {
    Ok,
    Empty,      // name or text empty after trimming ("AddTemplate.alertTemplateNull")
    NameExists, // another template has the name ("AddTemplate.alertTemplateExists")
    Full,       // ten templates already ("AddTemplate.alertTemplateFull")
};

class CTemplateRules {
public:
    static constexpr int kMaxTemplates = 10;
    static constexpr std::size_t kMaxNameChars = 40;
    // The text limit when the character limit setting is 0.
    static constexpr std::size_t kNoLimitChars = 32367;

    // "n [parts]": n characters and floor(n / 161) + 1.
    static std::string CounterText(std::size_t characters);
    // Longest text of a new template: 160 when TruncationMode is 0, else the edit limit.
    static std::size_t AddLimit(unsigned truncationMode, unsigned splitUpCharLimit);
    // Longest text of an edited template: SplitUpCharLimit, or 32367 when that is 0.
    static std::size_t EditLimit(unsigned splitUpCharLimit);
    // The list's message column: line feeds become blanks, carriage returns go.
    static std::string ListText(const std::string& text);
    // The name trimmed at both ends, the text at its end (blanks, tabs and line breaks).
    static std::string TrimName(const std::string& name);
    static std::string TrimText(const std::string& text);

    // Loads the store and returns the templates in list order (index 0, 1, ...).
    static std::vector<CTemplateRecord> InListOrder(CTemplateHandler& store);
    // Loads the store and returns the signature template, if any.
    static std::optional<CTemplateRecord> FindSignature(CTemplateHandler& store);
    // Loads the store; true when a template of that name exists (other than `except`).
    static bool NameTaken(CTemplateHandler& store, const std::string& name,
                          const std::string& except = {});

    // A new template at the end of the list. With `replacing` (the signature the user agreed
    // to replace) the new template is the signature and takes the old one's place; the old
    // one goes.
    static TemplateResult Add(CTemplateHandler& store, const std::string& name,
                              const std::string& text, bool signature,
                              const std::optional<CTemplateRecord>& replacing = std::nullopt);
    // Changes the template named `oldName` (renaming it when `name` differs). `oldIndex` is
    // its position when the editor opened, used should it have gone meanwhile.
    static TemplateResult Edit(CTemplateHandler& store, const std::string& oldName,
                               const std::string& oldIndex, const std::string& name,
                               const std::string& text, bool signature);
    // Removes the template and moves the ones after it up by one.
    static void Remove(CTemplateHandler& store, const std::string& name);
    // Swaps the template with its neighbour above (delta -1) or below (+1). The new index
    // when moved, nothing at the ends of the list or for an unknown name.
    static std::optional<int> Move(CTemplateHandler& store, const std::string& name, int delta);
};
