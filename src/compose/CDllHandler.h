// The program's handle on the country-code library (libqvcountrycodes.so in the program
// folder, entry points declared in countrycodes/QVCountryCodes.h). The application loads it
// at start-up, initialises it with its settings root, fetches the home country, and frees it
// at exit; dialogs use it through ICountryCodes.
//
// Every entry point is looked up by name when it is called. A missing library or entry
// point gives: conversion an empty text, the country list nothing, country details nothing,
// Init and SetHomeCountry the result 1, RefreshHomeCountry false (the home country it had
// stays). Each missing entry point is logged once per load.
//
// The home-country record is kept here and passed to every conversion; it is guarded, so
// conversions may run on any thread while the home country changes. Load, Init and Free
// belong to start-up and exit, when no other thread uses the handler.
#pragma once

#include "compose/ICountryCodes.h"
#include "countrycodes/QVCountryCodes.h"
#include "platform/DynLib.h"

#include <mutex>
#include <set>
#include <string>

class CDllHandler : public ICountryCodes {
public:
    // The library `fileName` inside `programFolder`.
    explicit CDllHandler(const std::string& programFolder,
                         const std::string& fileName = QV_COUNTRYCODES_LIBRARY);
    ~CDllHandler() override;
    CDllHandler(const CDllHandler&) = delete;
    CDllHandler& operator=(const CDllHandler&) = delete;

    // Loads the library; logs the outcome. True when loaded (also when it already was).
    bool Load();
    bool IsLoaded() const;
    // Unloads the library; the home country is forgotten.
    void Free();
    const std::string& LibraryPath() const { return m_path; }

    // QVCountryInit with the settings key where the library keeps the home country: 0 when
    // initialised, non-zero when not (1 without the library or the entry point).
    int Init(const std::string& registryRoot);

    std::string ConvertToMsisdn(const std::string& text) const override;
    std::vector<std::string> Countries() const override;
    std::optional<CountryDetails> CountryInfo(const std::string& key) const override;
    std::string HomeCountry() const override;
    int SetHomeCountry(const std::string& name) override;
    bool RefreshHomeCountry() override;

    // The two steps of SetHomeCountry for callers that keep the record themselves.
    // QVGetCountryOnName: 0 when found (1 without the library or the entry point).
    int GetCountryOnName(const std::string& name, QVCountryRecord& record) const;
    // QVSetHomeCountry: 0 when stored (1 without the library or the entry point).
    int SetHomeCountryRecord(const QVCountryRecord& record);

private:
    // The entry point, or null (logged once per load) when the library or it is missing.
    void* EntryPoint(const char* name) const;
    template <typename F> F Entry(const char* name) const {
        return reinterpret_cast<F>(EntryPoint(name));
    }

    std::string m_path;
    platform::DynLib m_library;
    mutable std::mutex m_lock; // guards m_library's look-ups, m_reported and m_home
    mutable std::set<std::string> m_reported;
    QVHomeCountry m_home{};
};
