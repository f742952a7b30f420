#include "shell/working_template.h"

#include <stdexcept>
#include <string>

#include "platform/paths.h"

namespace tivka {

namespace {

// What to do without a usable digit template, after what is wrong with it.
std::string templateAdvice(const std::string& folder)
{
    return "Нужен шаблон цифр ndata.bmp в рабочей папке " + folder +
           ": для демонстрационных графиков его пишет tivka-chart-server --write-template ndata.bmp, "
           "для графиков брокера его делает tivka-template из сохранённых графиков (см. README).";
}

}  // namespace

DigitTemplate LoadWorkingTemplate()
{
    const std::string folder = CurrentFolder();
    try {
        return DigitTemplate::load(JoinPath(folder, "ndata.bmp"));
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(std::string(error.what()) + "\n" + templateAdvice(folder));
    }
}

}  // namespace tivka
