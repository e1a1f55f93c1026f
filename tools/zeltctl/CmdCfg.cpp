// zeltctl cfg: show, create and import .cfg files without a controller.
#include <cstdio>
#include <iostream>

#include "Ctl.h"
#include "Interrupt.h"
#include "RecordCheck.h"
#include "RecordJson.h"
#include "config/CfgFile.h"
#include "config/CfgRecord.h"

namespace zeltctl {

namespace {

// The file commands need no settings; only --lang picks the language of their messages.
bool InEnglish(const CtlContext& ctx) {
    return ctx.options.lang != "zh";
}

zelt::CCfgDocument LoadOrFail(const CtlContext& ctx, const std::string& path) {
    zelt::CCfgDocument record;
    const zelt::CfgLoadResult result = zelt::LoadCfgFile(path, record);
    if (!result.ok()) {
        throw CtlError{kExitUsage, path + ": " + zelt::CfgLoadProblemText(result, InEnglish(ctx))};
    }
    return record;
}

void StoreOrFail(const CtlContext& ctx, const std::string& path, zelt::CCfgDocument& record) {
    Interrupt::Deferred saving;  // a save ends whole: the file or nothing, no temporary
    const zelt::CfgStoreResult result = zelt::StoreCfgFile(path, record);
    if (!result.ok) {
        throw CtlError{kExitUsage, path + ": " + zelt::CfgStoreProblemText(result, InEnglish(ctx))};
    }
    Interrupt::ThrowIfInterrupted(path + " was written");
}

struct NewOptions {
    int system = 12;
    bool blank = false;
    std::string output;
};

struct ImportOptions {
    std::string input;
    std::string output;
    int system = 12;
};

}  // namespace

void AddCfgCommands(CLI::App& cli, CtlContext& ctx) {
    CLI::App* cfg = cli.add_subcommand("cfg", "show, create and import configuration files (.cfg)");
    cfg->require_subcommand(1);

    auto showPath = std::make_shared<std::string>();
    CLI::App* show = cfg->add_subcommand("show", "print a .cfg file as JSON");
    show->add_option("file", *showPath, "the .cfg file")->required();
    show->callback([&ctx, showPath] {
        const zelt::CCfgDocument record = LoadOrFail(ctx, *showPath);
        std::cout << RecordToJson(record).dump(2) << '\n';
    });

    auto newOptions = std::make_shared<NewOptions>();
    CLI::App* create =
        cfg->add_subcommand("new", "write the record after \"Reset to default\" to a .cfg file");
    create->add_option("--system", newOptions->system, "system voltage of the reset values")
        ->check(CLI::IsMember({12, 24}));
    create->add_flag("--blank", newOptions->blank,
                     "write the record as constructed instead of the reset values");
    create->add_option("-o,--output", newOptions->output, "the .cfg file to write")->required();
    create->callback([&ctx, newOptions] {
        zelt::CCfgDocument record;
        if (!newOptions->blank) {
            zelt::ApplyResetValues(record, static_cast<uint16_t>(newOptions->system));
        }
        StoreOrFail(ctx, newOptions->output, record);
    });

    auto importOptions = std::make_shared<ImportOptions>();
    CLI::App* importCommand =
        cfg->add_subcommand("import", "write a .cfg file from JSON in the form of show");
    importCommand->add_option("file", importOptions->input, "the JSON file")->required();
    importCommand->add_option("-o,--output", importOptions->output, "the .cfg file to write")
        ->required();
    importCommand
        ->add_option("--system", importOptions->system,
                     "system voltage whose limits the values are checked against (12)")
        ->check(CLI::IsMember({12, 24}));
    importCommand->callback([&ctx, importOptions] {
        zelt::CCfgDocument record;  // absent keys keep the construction defaults
        std::string error;
        if (!RecordFromJsonFile(importOptions->input, record, InEnglish(ctx), &error)) {
            throw CtlError{kExitUsage, error};
        }
        // A file may hold what `set` would refuse: say so, and write it as it is.
        for (const std::string& line :
             ImportWarnings(record, importOptions->system, InEnglish(ctx))) {
            std::fprintf(stderr, "%s: %s\n", importOptions->input.c_str(), line.c_str());
        }
        StoreOrFail(ctx, importOptions->output, record);
    });
}

}  // namespace zeltctl
